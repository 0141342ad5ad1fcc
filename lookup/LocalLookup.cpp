// Get local IP and Solve IP: fill the octet fields from the name service.
#include "net/WSocket.h"
#include "window/Dialogs.h"
#include "window/PingTst1.h"

#include <exception>

namespace {

std::string HostBytes(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

// Empties the status bar however the look-up ends.
class TStatusReset {
public:
    explicit TStatusReset(TStatusBar* bar) : FBar(bar) {}
    ~TStatusReset() { FBar->SetSimpleText(QString()); }
    TStatusReset(const TStatusReset&) = delete;
    TStatusReset& operator=(const TStatusReset&) = delete;

private:
    TStatusBar* FBar;
};

} // namespace

void TForm1::Button2Click()
{
    if (WSocketLocalIPList().Count() == 0) return;
    // The list is refilled by every call; take the first address of a fresh one.
    const QString address = QString::fromStdString(WSocketLocalIPList().Strings(0));
    QString part1, part2, part3, part4;
    if (!SplitIP(address, part1, part2, part3, part4)) return;
    Edit1->setText(part1);
    Edit2->setText(part2);
    Edit3->setText(part3);
    Edit4->setText(part4);
    Edit5->setText(QString::fromLocal8Bit(WSocketLocalHostName()));
}

void TForm1::Button6Click()
{
    const QString hostText = Edit5->text();
    if (Trim(HostBytes(hostText)).empty()) {
        Dialogs().ShowMessage(this, QStringLiteral("\" \" is not valid hostname."));
        return;
    }
    StatusBar1->SetSimpleText(QStringLiteral("Yeeaaah, I need a few seconds...hardly working..."));
    // The look-up blocks the event loop; show the notice before it starts.
    StatusBar1->ShowNow();
    const TStatusReset reset(StatusBar1);
    const QString notFound = QStringLiteral("Unable to find computer with hostname ") + hostText;
    try {
        const QString dotted = QString::fromStdString(WSocket_inet_ntoa(WSocketResolveHost(HostBytes(hostText))));
        QString part1, part2, part3, part4;
        if (!SplitIP(dotted, part1, part2, part3, part4)) {
            Dialogs().ShowMessage(this, notFound);
            return;
        }
        const QString question = QStringLiteral("IP address of ") + hostText + QStringLiteral(" is : ") + dotted
                                 + QStringLiteral("\n\r\n\r") + QStringLiteral("Use this IP addr for test ?");
        if (!Dialogs().Confirm(this, question)) return;
        Edit1->setText(part1);
        Edit2->setText(part2);
        Edit3->setText(part3);
        Edit4->setText(part4);
    } catch (const std::exception&) {
        Dialogs().ShowMessage(this, notFound);
    }
}
