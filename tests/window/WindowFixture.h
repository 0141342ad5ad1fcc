// The real window on the offscreen platform in a fresh working folder, with
// message boxes and a save dialog that answer at once and remember the boxes.
#pragma once

#include "net/EchoSocket.h"
#include "scan/ScanController.h"
#include "tests/QtPrinters.h"
#include "window/Dialogs.h"
#include "window/MainWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class FakeDialogs : public Dialogs {
public:
    void showMessage(QWidget*, const QString& text) override
    {
        messages << text;
        if (failNextMessage) {
            failNextMessage = false;
            throw std::runtime_error("Handler failed");
        }
    }
    bool confirm(QWidget*, const QString& text) override
    {
        questions << text;
        return answerYes;
    }
    void showError(QWidget*, const QString& text) override { errors << text; }
    std::optional<QString> saveFileName(QWidget*, const QString& title, const QString& proposed) override
    {
        proposals << title + QLatin1Char('|') + proposed;
        return saveAs;
    }

    QStringList messages, questions, errors, proposals;
    bool answerYes = true;
    bool failNextMessage = false;
    std::optional<QString> saveAs;
};

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(work.path());
        open();
    }
    void TearDown() override
    {
        window.reset();
        QDir::setCurrent(previous);
    }
    void open()
    {
        try {
            window = std::make_unique<MainWindow>(dialogs);
        } catch (const PingSocketError& e) {
            GTEST_SKIP() << "no ping socket can be opened here, so there is no window: " << e.what();
        }
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void reopen()
    {
        window->close();
        window.reset();
        open();
    }
    template <typename T = QWidget>
    T* find(const char* name) const
    {
        T* widget = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLineEdit* edit(const char* name) const { return find<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return find<QPushButton>(name); }
    // Replaces the field's text in one go, through the clipboard, as a user pastes.
    static void paste(QLineEdit* field, const QString& text)
    {
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty()) return QTest::keyClick(field, Qt::Key_Delete);
        QApplication::clipboard()->setText(text);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    }
    QStringList octets() const
    {
        QStringList texts;
        for (const char* name : {"firstOctetEdit", "secondOctetEdit", "thirdOctetEdit", "fourthOctetEdit"})
            texts << edit(name)->text();
        return texts;
    }
    static QByteArray fileBytes(const QString& name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    QTemporaryDir work;
    QString previous;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};
