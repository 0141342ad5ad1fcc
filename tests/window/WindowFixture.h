// The real window on the offscreen platform, in a fresh working folder, with
// message boxes that answer at once and remember what they were shown.
#pragma once

#include "net/Icmp.h"
#include "tests/FakeDialogs.h"
#include "window/Dialogs.h"
#include "window/PingTst1.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

// Installs the fake for one test and works in a fresh folder.
class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Work.isValid());
        Previous = QDir::currentPath();
        QDir::setCurrent(Work.path());
        Fake = &TFakeDialogs::Install();
        Fake->ConfirmAnswer = false;
    }
    void TearDown() override
    {
        SetDialogs(nullptr);
        QDir::setCurrent(Previous);
    }

    QTemporaryDir Work;
    QString Previous;
    TFakeDialogs* Fake = nullptr;
};

class WindowFixture : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        try {
            Form = std::make_unique<TForm1>();
        } catch (const TICMPException& e) {
            GTEST_SKIP() << "no ICMP socket can be opened here, so the window cannot be created: " << e.what();
        }
        Form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
        Fake->Boxes.clear();
    }
    void TearDown() override
    {
        Form.reset();
        DialogFixture::TearDown();
    }

    template <typename T>
    T* Find(const char* name) const
    {
        return Form->findChild<T*>(QLatin1String(name));
    }

    // Replaces the field's text in one go, as pasting does.
    static void Paste(QLineEdit* field, const QString& text)
    {
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty()) {
            QTest::keyClick(field, Qt::Key_Delete);
            return;
        }
        QApplication::clipboard()->setText(text);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    }

    QStringList Messages() const
    {
        QStringList texts;
        for (const auto& box : Fake->Boxes) texts << box.Text;
        return texts;
    }

    std::unique_ptr<TForm1> Form;
};
