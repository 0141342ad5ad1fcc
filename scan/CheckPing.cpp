#include "scan/CheckPing.h"

#include "window/PingTst1.h"

#include <QPushButton>
#include <QTabWidget>

#include <algorithm>
#include <cstring>
#include <string>

void TScanLatch::Leave()
{
    {
        std::lock_guard guard(FMutex);
        FLeft = true;
    }
    FLeftCv.notify_all();
}

void TScanLatch::WaitLeft()
{
    std::unique_lock lock(FMutex);
    FLeftCv.wait(lock, [this] { return FLeft; });
}

bool TScanLatch::Left() const
{
    std::lock_guard guard(FMutex);
    return FLeft;
}

std::atomic<int> TCheckPing::FAlive{0};
thread_local TProgressStep* PendingProgressStep = nullptr;

TCheckPing::TCheckPing(TForm1* form, std::shared_ptr<TScanLatch> latch)
    : TThread(form->Gate()), FForm(form), FLatch(std::move(latch))
{
    ++FAlive;
}

TCheckPing::~TCheckPing()
{
    --FAlive;
}

void TCheckPing::Execute()
{
    // Whatever way Scan() ends, the form may go away from here on.
    struct LeaveOnExit {
        TScanLatch& Latch;
        ~LeaveOnExit() { Latch.Leave(); }
    } leave{*FLatch};
    Scan();
}

void TCheckPing::Scan()
{
    // The range is read once: later edits do not move a running test's end.
    int32_t octet = TestParams.RangeMin;
    const int64_t span = int64_t{TestParams.RangeMax} - octet;
    if (span < 0) return;

    TPing* ping = FForm->Ping1;
    for (int64_t left = span + 1; left > 0; --left, ++octet) {
        if (FForm->StopRequested() || FLatch->Halted()) break;
        CurrentOctet = octet;

        // The octets are read afresh, so edits made during the test apply from
        // the next address on.
        const std::string address = std::to_string(TestParams.Octet1.load()) + "." +
                                    std::to_string(TestParams.Octet2.load()) + "." +
                                    std::to_string(TestParams.Octet3.load()) + "." +
                                    std::to_string(octet);
        char* stored = TestParams.CurrentAddress;
        const size_t length = std::min(address.size(), sizeof(TestParams.CurrentAddress) - 1);
        std::memcpy(stored, address.data(), length);
        stored[length] = '\0';
        ping->SetAddress(stored);

        // At least one echo; a count below 1 must not loop for ever.
        TProgressStep step{[this] { UpdateGauge(); }};
        int32_t attempts = TestParams.Attempts;
        do {
            step.LastAttempt = attempts <= 1;
            PendingProgressStep = &step;
            ping->Ping();
            PendingProgressStep = nullptr;
            --attempts;
        } while (attempts > 0 && !ReplyOK && !FLatch->Halted());

        if (FLatch->Halted()) return;
        // Not taken when no echo went out for the address.
        if (!step.Done && !Synchronize(step.Run)) return;
    }
}

void TCheckPing::UpdateGauge()
{
    FForm->Gauge1->SetProgress(CurrentOctet);
}

void TCheckPing::TestDone(TThread*)
{
    TForm1* form = FForm;
    form->Timer1->SetEnabled(!form->StopRequested());
    // The gauge's minimum is the range start the test was given.
    form->Gauge1->SetProgress(form->Gauge1->MinValue());
    form->Button1->setText(QStringLiteral("&Run test"));
    form->PingButton->setEnabled(true);
    form->Button3->setEnabled(true);
    form->Button7->setEnabled(true);
    form->PageControl1->setTabVisible(form->PageControl1->indexOf(form->TabSheet3), true);
    form->SetStopTest(false);
    form->TabSheet1->setEnabled(true);
    TestRunning = false;
    CheckPing = nullptr;
    form->StatusBar1->SetSimpleText(QString());
}
