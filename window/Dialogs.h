// The program's three message boxes and the save dialog, behind one seam so
// that tests can answer them. Only window code shows boxes.
#pragma once

#include <QString>

#include <memory>
#include <optional>

class QWidget;

enum class TBoxKind { Plain, Confirm, Error, ApplicationError };

class TDialogs {
public:
    virtual ~TDialogs() = default;
    // Plain box: OK only, no icon, the program's name as title.
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // Question icon, title "Confirm", Yes and No. True only for Yes.
    virtual bool Confirm(QWidget* parent, const QString& text) = 0;
    // Stop icon, OK only, the program's name as title (text already has its full stop).
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
    // Save-file dialog; nullopt when cancelled.
    virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& title,
                                                const QString& proposedName, const QString& filter,
                                                const QString& defaultExt) = 0;
};

// The one in use; real boxes unless a test installs its own.
TDialogs& Dialogs();
// Installs a replacement (nullptr restores the real boxes).
void SetDialogs(std::unique_ptr<TDialogs> replacement);

// "Scanvet Address"
QString ApplicationTitle();
// The default error box's text: a full stop added unless the message ends in
// one or in a character that sorts before it.
QString WithFullStop(const QString& message);

// The box for an error that stops the program before its window exists:
// stop icon, OK only, title "Application Error".
QString ApplicationErrorText(const QString& className, const QString& moduleName,
                             const void* address, const QString& message);
void ShowApplicationError(const QString& text);
