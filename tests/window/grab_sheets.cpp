// Shows the real window and saves a picture of each of its three sheets:
//   grab_sheets OUTPUT_DIR
// Runs in a fresh working folder so no settings file is read or written.
#include "window/PingTst1.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: grab_sheets OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    try {
        TForm1 form;
        // Texts as a scan of the test lab's network leaves them; nothing is sent.
        form.Edit1->setText(QStringLiteral("198"));
        form.Edit2->setText(QStringLiteral("51"));
        form.Edit3->setText(QStringLiteral("100"));
        form.Edit4->setText(QStringLiteral("1"));
        form.Edit8->setText(QStringLiteral("1"));
        form.Edit9->setText(QStringLiteral("50"));
        form.Edit7->setText(QStringLiteral("5"));
        const char* found[][2] = {{"198.51.100.5", "echo5.lab"}, {"198.51.100.10", "alpha.lab"},
                                  {"198.51.100.11", "bravo.lab"}, {"198.51.100.12", nullptr},
                                  {"198.51.100.13", nullptr}, {"198.51.100.50", "echo50.lab"}};
        for (const auto& [address, name] : found) {
            QString text = QLatin1String(address);
            if (name != nullptr) text += QLatin1Char(' ') + QLatin1String(name);
            const int index = form.ListView1->Add(QStringLiteral("%1").arg(text, -41));
            if (QLatin1String(address) == QLatin1String("198.51.100.11")) form.ListView1->SetImageIndex(index, 1);
        }
        for (int octet = 1; octet <= 14; ++octet) {
            const QString address = QStringLiteral("198.51.100.%1").arg(octet);
            const bool answers = octet == 5 || octet == 10 || octet == 12 || octet == 13;
            form.RichEdit1->Add(QStringLiteral("Sending ping to ") + address +
                                (answers ? QStringLiteral(" Reply O.K. - in 0 msecs")
                                         : QStringLiteral(" Timeout or not found")));
        }
        form.StatusBar1->SetSimpleText(QStringLiteral("Sending ping to 198.51.100.14 Timeout or not found"));
        form.Gauge1->SetMinValue(1);
        form.Gauge1->SetMaxValue(50);
        form.Gauge1->SetProgress(14);
        form.show();
        if (!QTest::qWaitForWindowExposed(&form)) std::fprintf(stderr, "window not exposed\n");
        const char* files[] = {"window-test-sheet.png", "window-result-sheet.png", "window-config-sheet.png"};
        for (int i = 0; i < 3; ++i) {
            form.PageControl1->setCurrentIndex(i);
            QTest::qWait(200);
            const QString file = out.filePath(QLatin1String(files[i]));
            if (!form.grab().save(file)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                return 1;
            }
            std::printf("%s\n", qPrintable(file));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot create the window: %s\n", e.what());
        return 1;
    }
    return 0;
}
