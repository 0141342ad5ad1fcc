// Closes the window, by File, Exit, while a scan's echo to a silent lab
// address is pending and a resolver waits for a name server that does not
// answer; then returns from main. Prints "echo pending" when the close is
// posted and "closed" once the event loop has ended.
#include "lookup/Unit2.h"
#include "tests/Lab.h"
#include "window/PingTst1.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::unique_ptr<TForm1> form;
    try {
        form = std::make_unique<TForm1>();
    } catch (const Exception& e) {
        std::fprintf(stderr, "no window: %s\n", e.what());
        return 2;
    }
    TAboutBox about;
    form->show();

    // A found computer first, by a single ping: its resolver starts its look-up.
    form->Edit1->setText(QStringLiteral("198"));
    form->Edit2->setText(QStringLiteral("51"));
    form->Edit3->setText(QStringLiteral("100"));
    form->Edit4->setText(QStringLiteral("12"));
    form->Edit8->setText(QStringLiteral("20"));
    form->Edit9->setText(QStringLiteral("20"));
    form->RadioGroup2->SetItemIndex(2);   // 3000 ms time-out

    const TPingRequest request = form->Ping1->OnEchoRequest;
    std::atomic<bool> posted{false};
    TForm1* window = form.get();
    form->Ping1->OnEchoRequest = [&, window](TPing* sender, TICMP* icmp) {
        request(sender, icmp);
        if (sender->Address() != Lab::Silent || posted.exchange(true)) return;
        std::printf("echo pending\n");
        std::fflush(stdout);
        QMetaObject::invokeMethod(window, [window] { window->Exit1->trigger(); }, Qt::QueuedConnection);
    };
    QTimer::singleShot(0, window, [window] {
        window->PingButton->click();
        if (window->ListView1->Count() != 1) std::fprintf(stderr, "the single ping found nothing\n");
        window->Button1->click();
    });

    const int code = QApplication::exec();
    std::printf("closed\n");
    std::fflush(stdout);
    return code;
}
