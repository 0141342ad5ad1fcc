// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The program entry as main.cpp runs it, with a probe that reports when the
// main window is first exposed and then ends the program. Started by
// "scanvet_bench startup", which passes the time it forked.
#include "window/Dialogs.h"
#include "window/MainWindow.h"
#include "app/WindowProgram.h"

#include <QApplication>
#include <QTimer>
#include <QWindow>

#include <time.h>

#include <cstdio>
#include <cstdlib>

namespace {

int64_t nowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

class ShownProbe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_seen || event->type() != QEvent::Expose || !watched->isWindowType()) return false;
        auto* window = static_cast<QWindow*>(watched);
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->windowHandle() != window || qobject_cast<MainWindow*>(top) == nullptr) continue;
            m_seen = true;
            // After the expose has been handled, that is, painted.
            QTimer::singleShot(0, this, [] {
                const int64_t start = std::strtoll(std::getenv("SCANVET_BENCH_T0"), nullptr, 10);
                const char* label = std::getenv("SCANVET_BENCH_LABEL");
                std::printf("%s.startup_ms %.6g\n", label != nullptr ? label : "startup",
                            static_cast<double>(nowNs() - start) / 1e6);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};

void installProbe()
{
    if (std::getenv("SCANVET_BENCH_T0") == nullptr) return;
    QCoreApplication::instance()->installEventFilter(new ShownProbe(QCoreApplication::instance()));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)

int main(int argc, char** argv)
{
    return runWindowProgram(argc, argv, showApplicationError);
}
