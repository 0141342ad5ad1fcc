// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A name look-up off the GUI thread, so that a name server that does not
// answer holds neither the window nor a running test. While it runs, the
// controls that start or feed look-ups are locked and the cursor shows that
// the program is busy. Its thread is never joined: a close must not wait for
// a name server, so the thread may outlive the window, which then drops its
// result.
#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class BackgroundLookup : public QObject {
public:
    // What to do with a look-up's result, on the GUI thread.
    using Step = std::function<void()>;
    // guard runs each step so that no error escapes it.
    BackgroundLookup(QList<QWidget*> locked, std::function<void(const Step&)> guard, QObject* parent);
    ~BackgroundLookup() override;
    BackgroundLookup(const BackgroundLookup&) = delete;
    BackgroundLookup& operator=(const BackgroundLookup&) = delete;

    bool running() const { return m_watcher != nullptr; }
    // Runs lookUp on a thread of its own, then the step it returns here
    // (an error it throws is thrown here, through the guard). Throws
    // std::runtime_error when no thread starts.
    void start(std::function<Step()> lookUp);

private:
    void finish();
    void lock();
    void unlock();

    QList<QPointer<QWidget>> m_locked;
    std::function<void(const Step&)> m_guard;
    QFutureWatcher<Step>* m_watcher = nullptr;
    QPointer<QWidget> m_focusBefore;    // had the focus when the controls were locked
    QPointer<QWidget> m_focusMovedTo;   // took it from a locked control
};
