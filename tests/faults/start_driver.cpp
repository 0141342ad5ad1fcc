// The program as it really starts (RunProgram), driven by lines on standard
// input and reporting on standard output, for the process-level checks:
//   fields A B C D MIN MAX REPEAT PRESET   fill the fields and pick the preset
//   run | ping | solve NAME                press Run test (again: Stop Test), Ping, Solve IP
//   close | exit                           the title bar's close button, File, Exit
//   caps                                   the capability sets of every thread
// It reports "ready", "request ADDRESS" per echo request, "running", "done",
// "repeat armed", "status TEXT", "message TEXT", and "exit CODE" at the end.
#include "window/Dialogs.h"
#include "window/PingTst1.h"
#include "window/Startup.h"

#include <dirent.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

namespace {

void Say(const std::string& line)
{
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

TForm1* Window()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* form = qobject_cast<TForm1*>(widget)) return form;
    return nullptr;
}

// "caps TID CapInh CapPrm CapEff CapAmb" for every thread of the process.
void SayCapabilities(const char* prefix)
{
    DIR* dir = opendir("/proc/self/task");
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
        std::ifstream status(std::string("/proc/self/task/") + entry->d_name + "/status");
        std::string line, sets;
        while (std::getline(status, line))
            for (const char* set : {"CapInh:", "CapPrm:", "CapEff:", "CapAmb:"})
                if (line.rfind(set, 0) == 0) sets += " " + line.substr(line.find_first_not_of("\t ", 7));
        Say(std::string(prefix) + " " + entry->d_name + sets);
    }
    closedir(dir);
    Say(std::string(prefix) + " end");
}

class TAnswers : public TDialogs {
public:
    void ShowMessage(QWidget*, const QString& text) override { Say("message " + text.toStdString()); }
    bool Confirm(QWidget*, const QString& text) override
    {
        Say("confirm " + QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' ')).toStdString());
        return true;
    }
    void ShowError(QWidget*, const QString& text) override { Say("error " + text.toStdString()); }
    std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&, const QString&,
                                        const QString&) override
    {
        return std::nullopt;
    }
};

void Command(const std::string& text)
{
    TForm1* form = Window();
    if (form == nullptr) return;
    const QStringList words = QString::fromStdString(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty()) return;
    const QString verb = words[0];
    if (verb == QLatin1String("fields") && words.size() == 9) {
        QLineEdit* fields[] = {form->Edit1, form->Edit2, form->Edit3, form->Edit4, form->Edit8, form->Edit9, form->Edit7};
        for (int i = 0; i < 7; ++i) fields[i]->setText(words[i + 1]);
        form->RadioGroup2->SetItemIndex(words[8].toInt());
    } else if (verb == QLatin1String("run")) {
        form->Button1->click();
    } else if (verb == QLatin1String("ping")) {
        form->PingButton->click();
        Say("status " + form->StatusBar1->SimpleText().toStdString());
    } else if (verb == QLatin1String("solve") && words.size() == 2) {
        form->Edit5->setText(words[1]);
        form->Button6->click();
        Say("solved");
    } else if (verb == QLatin1String("close")) {
        form->windowHandle()->close();
    } else if (verb == QLatin1String("exit")) {
        form->Exit1->trigger();
    } else if (verb == QLatin1String("caps")) {
        SayCapabilities("caps");
    }
}

// Lines from standard input, each run on the GUI thread in turn.
void ReadCommands()
{
    std::string pending;
    char buffer[256];
    for (ssize_t n; (n = read(STDIN_FILENO, buffer, sizeof buffer)) > 0;) {
        pending.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            QMetaObject::invokeMethod(qApp, [line] { Command(line); }, Qt::QueuedConnection);
        }
    }
}

void Hook()
{
    TForm1* form = Window();
    if (form == nullptr) return;
    const TPingRequest request = form->Ping1->OnEchoRequest;
    form->Ping1->OnEchoRequest = [request](TPing* sender, TICMP* icmp) {
        Say("request " + sender->Address());
        if (request) request(sender, icmp);
    };
    // Reports the controller's changes of state as it passes through them:
    // a test runs from Button1's "&Stop Test" until the end-of-test handling
    // puts "&Run test" back.
    auto* watch = new QTimer(form);
    watch->setInterval(5);
    QObject::connect(watch, &QTimer::timeout, form, [form, running = false, armed = false]() mutable {
        const bool shown = form->Button1->text() != QLatin1String("&Run test");
        if (shown != running) Say((running = shown) ? "running" : "done");
        if (form->Timer1->Enabled() != armed) Say((armed = form->Timer1->Enabled()) ? "repeat armed" : "repeat off");
    });
    watch->start();
    Say("ready");
    std::thread(ReadCommands).detach();
}

void Startup()
{
    SayCapabilities("start");
    SetDialogs(std::make_unique<TAnswers>());
    QTimer::singleShot(0, qApp, Hook);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(Startup)

int main(int argc, char** argv)
{
    const int code = RunProgram(argc, argv, [](const QString&) {});
    Say("exit " + std::to_string(code));
    return code;
}
