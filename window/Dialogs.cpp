// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/Dialogs.h"

#include "base/KeptTexts.h"
#include "window/Log.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>

namespace {

int showBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
            QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
            const QString& reason = {})
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    box.setTextFormat(Qt::PlainText);
    if (!reason.isEmpty()) {
        box.setInformativeText(reason);
        // A reason may quote a file name or a host name: never markup.
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
            label->setTextFormat(Qt::PlainText);
    }
    return box.exec();
}

} // namespace

void QtDialogs::showMessage(QWidget* parent, const QString& text, const QString& reason)
{
    showBox(parent, QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, QMessageBox::Ok, reason);
}

bool QtDialogs::confirm(QWidget* parent, const QString& text)
{
    return showBox(parent, QMessageBox::Question, QStringLiteral("Confirm"), text,
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

void QtDialogs::showError(QWidget* parent, const QString& text, const QString& reason)
{
    showBox(parent, QMessageBox::Critical, applicationTitle(), text, QMessageBox::Ok, QMessageBox::Ok, reason);
}

std::optional<QString> QtDialogs::saveFileName(QWidget* parent, const QString& title, const QString& proposedName,
                                              const QString& folder)
{
    QFileDialog dialog(parent, title, folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The same look everywhere, and no question before replacing a file.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(QStringLiteral("Plain text file (*.txt)"));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (!proposedName.isEmpty()) dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.first();
}

QString applicationTitle()
{
    return QStringLiteral("Scanvet Address");
}

QString withFullStop(const QString& message)
{
    if (!message.isEmpty() && message.back() <= QLatin1Char('.')) return message;
    return message + QLatin1Char('.');
}

void showApplicationError(const QString& text)
{
    showBox(nullptr, QMessageBox::Critical, QLatin1String(KeptTexts::ApplicationErrorTitle), text, QMessageBox::Ok,
            QMessageBox::Ok);
}

void runShowingErrors(Dialogs& dialogs, QWidget* parent, const std::function<void()>& handler)
{
    QString message;
    try {
        handler();
        return;
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    qCWarning(lcWindow) << "a handler failed:" << message;
    try {
        dialogs.showError(parent, withFullStop(message));
    } catch (...) {
        // Nothing may reach the event loop, not even from the error box.
        qCWarning(lcWindow) << "the error box failed too";
    }
}
