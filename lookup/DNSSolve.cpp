#include "lookup/DNSSolve.h"

#include "net/WSocket.h"
#include "window/PingTst1.h"

std::atomic<int> TDNSSolve::FCreated{0};
std::atomic<int> TDNSSolve::FAlive{0};

namespace {

constexpr int EntryWidth = 41;

} // namespace

TDNSSolve::TDNSSolve(TForm1* form) : TThread(form->Gate()), FForm(form)
{
    ++FCreated;
    ++FAlive;
}

TDNSSolve::~TDNSSolve()
{
    --FAlive;
}

void TDNSSolve::Execute()
{
    if (AddressText == "127.0.0.1") {
        ResolvedName = "localhost";
    } else if (AddressText.starts_with("127")) {
        ResolvedName = "n/a";
    } else {
        ResolvedName = Trim(WSocketResolveIp(AddressText));
    }
    // A closed gate means the window is gone: the name is dropped.
    if (!ResolvedName.empty()) Synchronize([this] { UpdateListItem(); });
}

void TDNSSolve::UpdateListItem()
{
    TListView* list = FForm->ListView1;
    if (EntryIndex < 0 || EntryIndex >= list->Count()) return;
    // The list may have been cleared and refilled since the entry was made.
    const std::string entry = Trim(list->Text(EntryIndex).toStdString());
    if (entry != Trim(AddressText)) return;
    const QString text = QString::fromStdString(entry + ' ' + ResolvedName);
    list->SetText(EntryIndex, text.leftJustified(EntryWidth));
}
