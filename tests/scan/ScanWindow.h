// A real main window on the offscreen platform, with answered dialogs, a
// private working directory and a record of every echo request.
#pragma once

#include "lookup/DNSSolve.h"
#include "net/Icmp.h"
#include "scan/CheckPing.h"
#include "tests/Lab.h"
#include "tests/FakeDialogs.h"
#include "window/Dialogs.h"
#include "window/PingTst1.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QAbstractItemModel>
#include <QDir>
#include <QListWidget>
#include <QThread>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// One echo request as the window saw it.
struct SeenRequest {
    std::string Address;
    int GaugeProgress;   // the gauge when the request went out
};

class ScanWindow : public ::testing::Test {
protected:
    static constexpr int Bound = 60000;   // ms; generous upper bound of any wait

    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        PreviousDir = QDir::currentPath();
        QDir::setCurrent(Dir.path());   // the settings file stays in here
        Fake = &TFakeDialogs::Install();
        try {
            Form = std::make_unique<TForm1>();
        } catch (const TICMPException& e) {
            GTEST_SKIP() << "no ICMP socket on this machine: " << e.what();
        }
        Form->show();
        WatchGuiThread();

        // Records each request with the gauge at that moment, then lets the
        // test act on the GUI thread while the scan waits.
        auto handler = Form->Ping1->OnEchoRequest;
        Form->Ping1->OnEchoRequest = [this, handler](TPing* sender, TICMP* icmp) {
            const std::string address = sender->Address();
            Form->Gate()->Run([&] {
                {
                    std::lock_guard guard(Mutex);
                    Seen.push_back({address, Widget<TGauge>("Gauge1")->Progress()});
                }
                if (AtRequest) AtRequest(address);
            });
            if (handler) handler(sender, icmp);
        };
    }

    // Counts changes of the list and the result sheet made off the GUI thread.
    void WatchGuiThread()
    {
        auto check = [this] {
            if (QThread::currentThread() != QCoreApplication::instance()->thread()) ++OffGuiThread;
        };
        QAbstractItemModel* model = List()->View()->model();
        QObject::connect(model, &QAbstractItemModel::rowsInserted, model, check, Qt::DirectConnection);
        QObject::connect(model, &QAbstractItemModel::dataChanged, model, check, Qt::DirectConnection);
        QTextDocument* sheet = Sheet()->document();
        QObject::connect(sheet, &QTextDocument::contentsChanged, sheet, check, Qt::DirectConnection);
    }

    void TearDown() override
    {
        EXPECT_EQ(OffGuiThread, 0) << "widgets changed off the GUI thread";
        if (Fake != nullptr && !Fake->Boxes.empty())
            ADD_FAILURE() << "box shown: " << Fake->Boxes.front().Text.toStdString();
        if (Form) {
            if (TestRunning) Form->HaltScan();
            EXPECT_TRUE(QTest::qWaitFor([] { return TCheckPing::Alive() == 0; }, Bound));
            EXPECT_TRUE(WaitResolvers());
            Form.reset();
        }
        SetDialogs(nullptr);
        if (!PreviousDir.isEmpty()) QDir::setCurrent(PreviousDir);
    }

    template <class T> T* Widget(const char* name) const
    {
        T* widget = Form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QPushButton* Button(const char* name) const { return Widget<QPushButton>(name); }
    TListView* List() const { return Widget<TListView>("ListView1"); }
    TRichEdit* Sheet() const { return Widget<TRichEdit>("RichEdit1"); }
    QString Status() const { return Widget<TStatusBar>("StatusBar1")->SimpleText(); }
    TGauge* Gauge() const { return Widget<TGauge>("Gauge1"); }
    bool ConfigTabShown() const
    {
        auto* pages = Widget<QTabWidget>("PageControl1");
        return pages->isTabVisible(pages->indexOf(Widget<QWidget>("TabSheet3")));
    }

    void Type(const char* field, const QString& text) { Widget<QLineEdit>(field)->setText(text); }
    void SetOctets(int a, int b, int c, int d = 1)
    {
        Type("Edit1", QString::number(a));
        Type("Edit2", QString::number(b));
        Type("Edit3", QString::number(c));
        Type("Edit4", QString::number(d));
    }
    void SetAddress(const QString& dotted)
    {
        const QStringList parts = dotted.split(QLatin1Char('.'));
        SetOctets(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
    }
    void SetRange(int low, int high, int repeatMinutes = 0)
    {
        Type("Edit8", QString::number(low));
        Type("Edit9", QString::number(high));
        Type("Edit7", QString::number(repeatMinutes));
    }
    void SetPreset(int item) { Widget<TRadioGroup>("RadioGroup2")->SetItemIndex(item); }
    void ShowOnlyCorrect(bool on) { Widget<QCheckBox>("CheckBox1")->setChecked(on); }

    void Ping(const QString& dotted)
    {
        SetAddress(dotted);
        Button("PingButton")->click();
    }
    // Starts a test with the button and waits until it has ended.
    bool RunScan()
    {
        Button("Button1")->click();
        return WaitScanEnd();
    }
    bool WaitScanEnd()
    {
        return QTest::qWaitFor([] { return !TestRunning; }, Bound);
    }
    static bool WaitResolvers()
    {
        return QTest::qWaitFor([] { return TDNSSolve::Alive() == 0; }, Bound);
    }

    std::vector<SeenRequest> Requests()
    {
        std::lock_guard guard(Mutex);
        return Seen;
    }
    std::vector<std::string> RequestedAddresses()
    {
        std::vector<std::string> addresses;
        for (const auto& seen : Requests()) addresses.push_back(seen.Address);
        return addresses;
    }
    QStringList ListTexts() const
    {
        QStringList texts;
        for (int i = 0; i < List()->Count(); ++i) texts << List()->Text(i);
        return texts;
    }

    static QString Entry(const QString& text) { return text.leftJustified(41); }

    // Set by a test; runs on the GUI thread at each echo request.
    std::function<void(const std::string& address)> AtRequest;

    QTemporaryDir Dir;
    QString PreviousDir;
    std::unique_ptr<TForm1> Form;
    TFakeDialogs* Fake = nullptr;   // owned by the dialog seam
    std::mutex Mutex;
    std::vector<SeenRequest> Seen;
    std::atomic<int> OffGuiThread{0};
};

// The window scanning the test lab's LAN; skipped where there is no lab.
class LabScanWindow : public ScanWindow {
protected:
    void SetUp() override
    {
        if (!Lab::Unavailable().empty()) GTEST_SKIP() << "test lab not available: " << Lab::Unavailable();
        ScanWindow::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        SetOctets(198, 51, 100);
    }
};
