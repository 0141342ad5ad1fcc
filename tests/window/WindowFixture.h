// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The real window on the offscreen platform in a fresh working folder, with
// boxes and a save dialog that answer at once and remember what they showed.
#pragma once

#include "files/Settings.h"
#include "scan/ScanController.h"
#include "tests/QtPrinters.h"
#include "window/Dialogs.h"
#include "window/MainWindow.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class FakeDialogs : public Dialogs {
public:
    void showMessage(QWidget*, const QString& text, const QString& reason) override
    {
        messages << text;
        reasons << reason;
        if (std::exchange(failNextMessage, false)) throw std::runtime_error("Handler failed");
    }
    bool confirm(QWidget*, const QString& text) override { return questions << text, answerYes; }
    void showError(QWidget*, const QString& text, const QString& reason) override { errors << text, reasons << reason; }
    std::optional<QString> saveFileName(QWidget*, const QString& title, const QString& name, const QString& folder) override
    {
        return proposals << title + '|' + folder + '|' + name, saveAs;
    }

    QStringList messages, questions, errors, proposals, reasons;
    bool answerYes = true, failNextMessage = false;
    std::optional<QString> saveAs;
};

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_work.isValid() && QDir::setCurrent(m_work.path()));
        // These tests hold single echoes and states that last an echo: the classic pace, one echo at a time.
        ASSERT_TRUE(Settings(m_work.path()).setOneAtATime(true).isEmpty());
        open();
    }
    void open()
    {
        try {
            m_window = std::make_unique<MainWindow>(m_dialogs, std::make_unique<Pinger>());
        } catch (const PingSocketError& e) {
            GTEST_SKIP() << "no ping socket can be opened here, so there is no window: " << e.what();
        }
        m_window->readSettings();
        m_window->show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }
    template <typename T = QLineEdit>
    T* find(const char* name) const
    {
        return m_window->findChild<T*>(QLatin1String(name));
    }
    QPushButton* button(const char* name) const { return find<QPushButton>(name); }
    // Replaces a field's text through the clipboard, as a user pastes.
    static void paste(QLineEdit* field, const QString& text)
    {
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QApplication::clipboard()->setText(text);
        if (text.isEmpty()) return QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    }
    QString texts(std::initializer_list<const char*> names) const
    {
        QStringList shown;
        for (const char* name : names) shown << find(name)->text();
        return shown.join(' ');
    }
    QString octets() const { return texts({"firstOctetEdit", "secondOctetEdit", "thirdOctetEdit", "fourthOctetEdit"}); }
    // Fills the named fields in order with the words of values.
    void fill(std::initializer_list<const char*> names, const QString& values)
    {
        const QStringList words = values.split(' ');
        qsizetype i = 0;
        for (const char* name : names) find(name)->setText(words.value(i++));
    }
    // Clicks the radio button index of the group box name.
    void choose(const char* name, int index) const
    {
        find<QWidget>(name)->findChildren<QAbstractButton*>().at(index)->click();
    }
    ScanController& scan() const { return m_window->scanController(); }
    bool idleAgain() const
    {
        return QTest::qWaitFor([this] { return scan().state() != ScanState::Running && scan().state() != ScanState::Stopping; }, 60000);
    }

    QTemporaryDir m_work;
    FakeDialogs m_dialogs;
    std::unique_ptr<MainWindow> m_window;
};
