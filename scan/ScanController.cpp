#include "scan/CheckPing.h"
#include "window/PingTst1.h"

#include <QPushButton>
#include <QTabWidget>

#include <sched.h>

#include <algorithm>

namespace {

const QString RunCaption = QStringLiteral("&Run test");
const QString StopCaption = QStringLiteral("&Stop Test");

// The latch of the latest scan; GUI thread only.
std::shared_ptr<TScanLatch> LatestScan;

// A gauge never holds a minimum above its maximum: an inverted range becomes
// the empty range at its minimum, which shows 0 %.
void SetGaugeRange(TGauge* gauge, int low, int high)
{
    high = std::max(low, high);
    if (low > gauge->MaxValue()) {
        gauge->SetMaxValue(high);
        gauge->SetMinValue(low);
    } else {
        gauge->SetMinValue(low);
        gauge->SetMaxValue(high);
    }
    gauge->SetProgress(low);
}

} // namespace

void TForm1::Button1Click()
{
    if (Button1->text() != RunCaption) {
        StopTest = true;
        if (TestRunning) {
            try {
                if (CheckPing != nullptr) CheckPing->Terminate();
            } catch (...) {
                // A stop request never bothers the user.
            }
        }
        return;
    }

    Button1->setText(StopCaption);
    Timer1->SetEnabled(false);
    PingButton->setEnabled(false);
    Button3->setEnabled(false);
    Button7->setEnabled(false);
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet3), false);
    PageControl1->setCurrentWidget(TabSheet1);
    Edit1Enter();
    RadioGroup2Click();
    PrepareResultSheet();
    SetGaugeRange(Gauge1, TestParams.RangeMin, TestParams.RangeMax);
    TabSheet1->setEnabled(false);

    auto latch = std::make_shared<TScanLatch>();
    auto* thread = new TCheckPing(this, latch);
    thread->FreeOnTerminate = true;
    thread->OnTerminate = [this](TThread* sender) {
        Guard([sender] { static_cast<TCheckPing*>(sender)->TestDone(sender); });
    };
    thread->SetPriority(0);
    TestRunning = true;
    CheckPing = thread;
    LatestScan = latch;
    try {
        thread->Resume();
    } catch (...) {
        // No thread, so no TestDone would ever come: restore the idle window
        // here, without arming the repeat.
        StopTest = true;
        thread->TestDone(thread);
        delete thread;
        throw;
    }
    // The new thread often starts on this core: let it send its first echo
    // before the window repaints its locked controls.
    sched_yield();
}

void TForm1::Timer1Timer()
{
    if (!TestRunning) Button1Click();
}

void TForm1::HaltScan()
{
    if (!TestRunning) return;
    try {
        const std::shared_ptr<TScanLatch> latch = LatestScan;
        if (latch) latch->Halt();
        // Refuses the thread's pending and later hand-overs (TestDone
        // included) and wakes it from a blocked echo.
        FGate->Close();
        Ping1->Abort();
        TestRunning = false;
        CheckPing = nullptr;
        // Both waits of the thread are cut short above, so this is brief; the
        // thread uses Ping1 and the form until it has left.
        if (latch) latch->WaitLeft();
    } catch (...) {
        // The close goes on regardless.
    }
}
