// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/BackgroundLookup.h"

#include "window/Log.h"

#include <QApplication>
#include <QPromise>

#include <exception>
#include <stdexcept>
#include <system_error>
#include <thread>

BackgroundLookup::BackgroundLookup(QList<QWidget*> locked, std::function<void(const Step&)> guard, QObject* parent)
    : QObject(parent), m_guard(std::move(guard))
{
    for (QWidget* widget : locked) m_locked << widget;
}

BackgroundLookup::~BackgroundLookup()
{
    // The controls may have gone before this; the cursor is the program's.
    if (running()) QApplication::restoreOverrideCursor();
}

void BackgroundLookup::start(std::function<Step()> lookUp)
{
    if (running()) return;
    QPromise<Step> promise;
    const QFuture<Step> future = promise.future();
    promise.start();
    try {
        // Detached, not a thread pool's: the program's end waits for the pools' threads.
        std::thread([promise = std::move(promise), lookUp = std::move(lookUp)]() mutable {
            Step step;
            try {
                step = lookUp();
            } catch (...) {
                step = [failure = std::current_exception()] { std::rethrow_exception(failure); };
            }
            promise.addResult(std::move(step));
            promise.finish();
        }).detach();
    } catch (const std::system_error& e) {
        qCWarning(lcWindow) << "no thread for a look-up:" << e.what();
        throw std::runtime_error(std::string("Cannot start the look-up: ") + e.what());
    }
    m_watcher = new QFutureWatcher<Step>(this);
    // The step's boxes run an event loop: not inside the watcher's signal.
    connect(m_watcher, &QFutureWatcherBase::finished, this, [this] {
        QMetaObject::invokeMethod(this, &BackgroundLookup::finish, Qt::QueuedConnection);
    });
    m_watcher->setFuture(future);
    lock();
}

void BackgroundLookup::finish()
{
    QFutureWatcher<Step>* watcher = std::exchange(m_watcher, nullptr);
    watcher->deleteLater();
    unlock();
    const Step step = watcher->future().resultCount() > 0 ? watcher->result() : Step();
    if (step) m_guard(step);
}

void BackgroundLookup::lock()
{
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_focusBefore = QApplication::focusWidget();
    for (QWidget* widget : std::as_const(m_locked))
        if (widget != nullptr) widget->setEnabled(false);
    m_focusMovedTo = QApplication::focusWidget();
}

void BackgroundLookup::unlock()
{
    QApplication::restoreOverrideCursor();
    for (QWidget* widget : std::as_const(m_locked))
        if (widget != nullptr) widget->setEnabled(true);
    // A locked control that had the focus gets it back, unless the user has moved it since.
    QWidget* before = m_focusBefore.data();
    if (before != nullptr && before != m_focusMovedTo && QApplication::focusWidget() == m_focusMovedTo &&
        m_locked.contains(before))
        before->setFocus();
}
