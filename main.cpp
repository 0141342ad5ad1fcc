#include "window/Controls.h"
#include "window/Dialogs.h"
#include "window/PingTst1.h"

#include <QApplication>
#include <QFileInfo>

#include <memory>

namespace {
std::unique_ptr<TForm1> CreateMainWindow() { return std::make_unique<TForm1>(); }
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setApplicationDisplayName(ApplicationTitle());
    QApplication::setWindowIcon(Pictures::ProgramIcon());

    std::unique_ptr<TForm1> form;
    try {
        form = CreateMainWindow();
    } catch (const Exception& e) {
        const QString module = QFileInfo(QApplication::applicationFilePath()).fileName();
        ShowApplicationError(ApplicationErrorText(QLatin1String(e.ClassName()), module,
                                                  reinterpret_cast<const void*>(&CreateMainWindow),
                                                  QString::fromStdString(e.Message())));
        return 1;
    }
    form->show();
    return QApplication::exec();
}
