#include "window/ProgramEntry.h"

#include "net/EchoSocket.h"
#include "net/Privileges.h"
#include "window/Dialogs.h"
#include "window/MainWindow.h"
#include "window/Pictures.h"
#include "window/TerminationSignals.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <memory>

namespace {

std::unique_ptr<MainWindow> createMainWindow(Dialogs& dialogs)
{
    return std::make_unique<MainWindow>(dialogs);
}

} // namespace

int runProgram(int& argc, char** argv, const std::function<void(const QString&)>& showApplicationError)
{
    TerminationSignals::block();
    QApplication app(argc, argv);
    QApplication::setApplicationName(applicationTitle());
    // Lets desktops match the window to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.scanvet.ScanvetAddress"));
    QApplication::setWindowIcon(Pictures::programIcon());
    TerminationSignals terminationSignals;

    QtDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    try {
        window = createMainWindow(dialogs);
    } catch (const std::exception& e) {
        // The class name the box has always shown for a program that cannot ping.
        const QString className = dynamic_cast<const PingSocketError*>(&e) != nullptr
                                      ? QStringLiteral("TICMPException")
                                      : QStringLiteral("Exception");
        const QString module = QFileInfo(QApplication::applicationFilePath()).fileName();
        const QString text = applicationErrorText(className, module, reinterpret_cast<const void*>(&createMainWindow),
                                                  QString::fromLocal8Bit(e.what()));
        std::fprintf(stderr, "Application Error: %s\n", qPrintable(text));
        showApplicationError(text);
        return 1;
    }
    // The pinger holds its socket now; nothing later needs more than the
    // user's own rights.
    std::string why;
    if (!dropPrivileges(why)) {
        std::fprintf(stderr, "Cannot give up the privileges the program was started with: %s\n", why.c_str());
        return 1;
    }
    QObject::connect(&terminationSignals, &TerminationSignals::received, window.get(), &QWidget::close);
    window->show();
    return QApplication::exec();
}
