#include "lookup/DNSSolve.h"
#include "scan/CheckPing.h"
#include "window/PingTst1.h"

#include <QCheckBox>

namespace {

// List entries: the address (later with its name) left-justified in 41
// characters; a longer text is kept whole.
constexpr int EntryWidth = 41;

} // namespace

void TForm1::Ping1EchoRequest(TPing*, TICMP*)
{
    ReplyOK = false;
    StatusText = QStringLiteral("Sending ping to ") + QString::fromStdString(Ping1->Address());
}

void TForm1::Ping1EchoReply(TPing*, TICMP*, int32_t Error)
{
    const bool answered = Error != 0;
    ReplyOK = answered;
    if (answered) {
        StatusText += QStringLiteral(" Reply O.K. - in ") +
                      QString::number(Ping1->Reply().RoundTripTime) + QStringLiteral(" msecs");
    } else {
        StatusText += QStringLiteral(" Timeout or not found");
    }

    // Read here, on the thread that pings; the widgets are changed on the GUI
    // thread while this thread waits, so the lines keep the order of the
    // echoes. A closed gate (the window is going) leaves everything as it is.
    const std::string address = Ping1->Address();
    const QString line = StatusText;
    // During a scan this echo may end its address: then the scan's progress
    // step follows in the same hand-over.
    TProgressStep* const step = PendingProgressStep;
    const bool stepToo = step != nullptr && (answered || step->LastAttempt);
    Gate()->Run([this, &address, &line, answered, step, stepToo] {
        Guard([&] {
            const QString text = QString::fromStdString(address);
            const int entry = ListView1->FindPrefix(text + QLatin1Char(' '));
            if (entry >= 0) {
                ListView1->SetImageIndex(entry, answered ? 0 : 1);
            } else if (answered) {
                ListView1->Add(text.leftJustified(EntryWidth));
                auto* solver = new TDNSSolve(this);
                solver->FreeOnTerminate = true;
                solver->EntryIndex = ListView1->Count() - 1;
                solver->AddressText = address;
                solver->SetPriority(1);
                try {
                    solver->Resume();
                } catch (...) {
                    // The entry stays without a name; the echo is still reported.
                    delete solver;
                }
            }
            if (!(CheckBox1->isChecked() && !answered)) RichEdit1->Add(line);
            StatusBar1->SetSimpleText(line);
        });
        // A gate closed meanwhile (an error box let the close in) has
        // released the scan thread, and the step with it.
        if (stepToo && !Gate()->Closed()) {
            step->Run();
            step->Done = true;
        }
    });
}
