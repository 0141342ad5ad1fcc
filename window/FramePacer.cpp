#include "window/FramePacer.h"

namespace {
constexpr std::chrono::milliseconds FrameTime{16};
} // namespace

FramePacer::FramePacer(std::function<void()> show, QObject* parent) : QObject(parent), showChange(std::move(show))
{
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &FramePacer::show);
}

void FramePacer::changed()
{
    // A change that comes when the frame is over shows at once, so that the
    // picture follows the change (during a scan: right after a hand-over,
    // while the scan waits for its echo); the timer is for the last change.
    const auto since = std::chrono::steady_clock::now() - shown;
    if (since >= FrameTime) {
        timer.stop();
        show();
    } else if (!timer.isActive()) {
        timer.start(std::chrono::duration_cast<std::chrono::milliseconds>(FrameTime - since) +
                    std::chrono::milliseconds(1));
    }
}

void FramePacer::showNow()
{
    timer.stop();
    show();
}

void FramePacer::show()
{
    shown = std::chrono::steady_clock::now();
    showChange();
}
