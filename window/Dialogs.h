// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The program's message boxes and its save dialog, behind one interface so
// that tests can answer them. Only the window shows boxes.
#pragma once

#include <QString>

#include <functional>
#include <optional>

class QWidget;

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // OK only, no icon, the program's name as title; the reason, where one
    // is known, as the box's informative text.
    virtual void showMessage(QWidget* parent, const QString& text, const QString& reason = {}) = 0;
    // Question icon, title "Confirm", Yes and No; true only for Yes.
    virtual bool confirm(QWidget* parent, const QString& text) = 0;
    // Stop icon, OK only, the program's name as title; the reason as above.
    virtual void showError(QWidget* parent, const QString& text, const QString& reason = {}) = 0;
    // A file name to save to, the dialog opened in folder; nullopt when
    // cancelled. Never asks before replacing a file.
    virtual std::optional<QString> saveFileName(QWidget* parent, const QString& title, const QString& proposedName,
                                                const QString& folder) = 0;
};

// Qt's own boxes and file dialog.
class QtDialogs : public Dialogs {
public:
    void showMessage(QWidget* parent, const QString& text, const QString& reason = {}) override;
    bool confirm(QWidget* parent, const QString& text) override;
    void showError(QWidget* parent, const QString& text, const QString& reason = {}) override;
    std::optional<QString> saveFileName(QWidget* parent, const QString& title, const QString& proposedName,
                                        const QString& folder) override;
};

// Runs a handler so that no error escapes it: one that gets out shows the
// error box, and the program carries on.
void runShowingErrors(Dialogs& dialogs, QWidget* parent, const std::function<void()>& handler);

// "Scanvet Address"
QString applicationTitle();
// An error box's text: a full stop added unless the message ends in one or
// in a character that sorts before it.
QString withFullStop(const QString& message);

// The box of an error that ends the program before its window exists: stop
// icon, OK only, title "Application Error".
void showApplicationError(const QString& text);
