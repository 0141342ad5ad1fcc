// The program entry, closing the window, and the settings file read at
// start-up and written at the close.
#include "window/Startup.h"

#include "lookup/Unit2.h"
#include "net/Privileges.h"
#include "window/Configurace.h"
#include "window/Controls.h"
#include "window/Dialogs.h"
#include "window/PingTst1.h"

#include <QApplication>
#include <QFileInfo>

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// Line order of the file: the four octets, the range, then the repeat period.
std::array<TUpDown*, 7> SettingSpinners(TForm1& form)
{
    return {form.UpDown1, form.UpDown2, form.UpDown3, form.UpDown4,
            form.UpDown8, form.UpDown9, form.UpDown7};
}

std::array<QLineEdit*, 7> SettingFields(TForm1& form)
{
    return {form.Edit1, form.Edit2, form.Edit3, form.Edit4, form.Edit8, form.Edit9, form.Edit7};
}

std::unique_ptr<TForm1> CreateMainWindow()
{
    return std::make_unique<TForm1>();
}

} // namespace

int RunProgram(int& argc, char** argv, const std::function<void(const QString&)>& showApplicationError)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle());
    // Lets desktops match the window to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.scanvet.ScanvetAddress"));
    QApplication::setWindowIcon(Pictures::ProgramIcon());

    // The window first: it is the main window, and its end ends the program.
    std::unique_ptr<TForm1> form;
    try {
        form = CreateMainWindow();
    } catch (const Exception& e) {
        const QString module = QFileInfo(QApplication::applicationFilePath()).fileName();
        const QString text = ApplicationErrorText(QLatin1String(e.ClassName()), module,
                                                  reinterpret_cast<const void*>(&CreateMainWindow),
                                                  QString::fromStdString(e.Message()));
        std::fprintf(stderr, "Application Error: %s\n", qPrintable(text));
        showApplicationError(text);
        return 1;
    }
    // The ping component holds its socket now; nothing later needs more than
    // the user's own rights.
    std::string why;
    if (!DropPrivileges(why)) {
        std::fprintf(stderr, "Cannot give up the privileges the program was started with: %s\n", why.c_str());
        return 1;
    }
    form->show();
    TAboutBox aboutBox;   // hidden until Help, About
    return QApplication::exec();
}

void TForm1::FormClose()
{
    Timer1->SetInterval(0);
    WriteConfiguration();
    if (TestRunning) {
        try {
            HaltScan();
        } catch (...) {
            // The program ends regardless.
        }
    }
}

void TForm1::Exit1Click()
{
    close();
}

void TForm1::ReadConfiguration()
{
    delete Config;
    Config = new TConfigurace;
    if (!Config->Load()) {
        for (const char* line : {"1", "1", "1", "1", "1", "254", "1"}) Config->Add(line);
    }
    // Runs inside the window's constructor, where no caller would show the
    // error: the box appears here, and start-up goes on with the spinners
    // read so far.
    Guard([this] {
        const auto spinners = SettingSpinners(*this);
        std::vector<TSettingRange> ranges;
        for (const TUpDown* spinner : spinners) ranges.push_back({spinner->Min(), spinner->Max()});
        ReadSettingLines(*Config, ranges, [&](size_t line, int32_t value) { spinners[line]->SetPosition(value); });
    });
}

void TForm1::WriteConfiguration()
{
    std::unique_ptr<TConfigurace> config(Config != nullptr ? Config : new TConfigurace);
    Config = nullptr;
    config->Clear();
    for (QLineEdit* field : SettingFields(*this))
        config->Add(Trim(field->text().toLocal8Bit().toStdString()));
    config->Save();
}
