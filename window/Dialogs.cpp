#include "window/Dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace {

// "Plain text file|*.txt|..." as Qt's "Plain text file (*.txt);;...".
QString QtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')));
    return filters.join(QStringLiteral(";;"));
}

int Box(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    box.setTextFormat(Qt::PlainText);
    return box.exec();
}

class TRealDialogs : public TDialogs {
public:
    void ShowMessage(QWidget* parent, const QString& text) override
    {
        Box(parent, QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok, QMessageBox::Ok);
    }

    bool Confirm(QWidget* parent, const QString& text) override
    {
        return Box(parent, QMessageBox::Question, QStringLiteral("Confirm"), text,
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
    }

    void ShowError(QWidget* parent, const QString& text) override
    {
        Box(parent, QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, QMessageBox::Ok);
    }

    std::optional<QString> SaveFileName(QWidget* parent, const QString& title, const QString& proposedName,
                                        const QString& filter, const QString& defaultExt) override
    {
        QFileDialog dialog(parent, title, QDir::currentPath());
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The same look everywhere, and no question before overwriting.
        dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
        dialog.setNameFilter(QtFilter(filter));
        dialog.setDefaultSuffix(defaultExt);
        if (!proposedName.isEmpty()) dialog.selectFile(proposedName);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty()) return std::nullopt;
        return files.first();
    }
};

std::unique_ptr<TDialogs>& Installed()
{
    static std::unique_ptr<TDialogs> dialogs;
    return dialogs;
}

} // namespace

TDialogs& Dialogs()
{
    static TRealDialogs real;
    if (auto& installed = Installed()) return *installed;
    return real;
}

void SetDialogs(std::unique_ptr<TDialogs> replacement) { Installed() = std::move(replacement); }

QString ApplicationTitle() { return QStringLiteral("Scanvet Address"); }

QString WithFullStop(const QString& message)
{
    if (!message.isEmpty() && message.back() <= QLatin1Char('.')) return message;
    return message + QLatin1Char('.');
}

QString ApplicationErrorText(const QString& className, const QString& moduleName, const void* address,
                             const QString& message)
{
    const auto code = reinterpret_cast<quintptr>(address);
    QString text = QStringLiteral("Exception %1 in module %2 at %3.\n")
                       .arg(className, moduleName,
                            QStringLiteral("%1").arg(code, int(sizeof(void*) * 2), 16, QLatin1Char('0')).toUpper());
    text += message;
    if (!message.endsWith(QLatin1Char('.'))) text += QLatin1Char('.');
    return text;
}

void ShowApplicationError(const QString& text)
{
    Box(nullptr, QMessageBox::Critical, QStringLiteral("Application Error"), text, QMessageBox::Ok,
        QMessageBox::Ok);
}
