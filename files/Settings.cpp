// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "files/Settings.h"

#include "base/KeptTexts.h"
#include "base/Text.h"
#include "files/Log.h"
#include "files/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Seven short numbers take a few dozen bytes; the rest of a larger file is
// never read.
constexpr qsizetype ReadLimit = 4096;

const QString NotifyKey = QStringLiteral("notifyOfChanges");
const QString OneAtATimeKey = QStringLiteral("oneAtATime");
const QString HistoryDaysKey = QStringLiteral("historyDays");
const QString NotifyAfterKey = QStringLiteral("notifyAfter");
const QString NotifyNewKey = QStringLiteral("notifyOfNewComputers");
const QString NotifyPrivateKey = QStringLiteral("notifyOfPrivateMacs");
const QString HistoryServerKey = QStringLiteral("historyServer");
const QString ScannerNameKey = QStringLiteral("scannerName");
const QString TcpKnockKey = QStringLiteral("tcpKnock");
const QString TcpPortsKey = QStringLiteral("tcpPorts");
const QString OpenPortsKey = QStringLiteral("openPorts");

// A line break (or a NUL, which ends the text when read) inside a field
// would shift every later line.
std::string oneLine(const std::string& text)
{
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        line += c == '\r' || c == '\n' || c == '\0' ? ' ' : c;
    }
    return line;
}

QString printableLocal(const std::string& text)
{
    return printable(QString::fromLocal8Bit(text));
}

} // namespace

std::vector<std::string> settingsLines(const QByteArray& bytes)
{
    std::vector<std::string> lines;
    const qsizetype nul = bytes.indexOf('\0');
    const qsizetype size = nul < 0 ? bytes.size() : nul;
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') continue;
        lines.emplace_back(bytes.constData() + start, static_cast<size_t>(i - start));
        if (c == '\r' && i + 1 < size && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < size) lines.emplace_back(bytes.constData() + start, static_cast<size_t>(size - start));
    return lines;
}

Settings::Settings(const QString& startFolder)
    : m_fieldsFile(QDir(startFolder).absoluteFilePath(FieldsFileName)),
      m_preferences(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("scanvet"),
                    QStringLiteral("scanvet-address"))
{
}

Settings::StoredFields Settings::readFields() const
{
    std::optional<QByteArray> bytes;
    // A folder cannot be read as a file: the defaults, as for any file that cannot be read.
    if (!QFileInfo(m_fieldsFile).isDir()) bytes = readTextFileStart(m_fieldsFile, ReadLimit);
    if (!bytes) {
        qCInfo(lcFiles) << m_fieldsFile << "cannot be read; the defaults are used";
        return {{DefaultFields.begin(), DefaultFields.end()}, {}};
    }
    const std::vector<std::string> lines = settingsLines(*bytes);
    StoredFields read;
    for (size_t line = 0; line < FieldCount; ++line) {
        if (line >= lines.size()) {
            read.error = QString::fromStdString(filled(KeptTexts::MissingLine, {std::to_string(line)}));
            break;
        }
        const std::optional<int32_t> value = parseWholeNumber(lines[line]);
        if (!value) {
            read.error = QString::fromLatin1(KeptTexts::NotAWholeNumber).arg(printableLocal(lines[line]));
            break;
        }
        read.values.push_back(std::clamp(*value, FieldLimits[line].min, FieldLimits[line].max));
    }
    if (!read.error.isEmpty()) qCWarning(lcFiles) << m_fieldsFile << read.error;
    return read;
}

bool Settings::writeFields(const std::array<std::string, FieldCount>& texts, QString* why) const
{
    std::string bytes;
    for (const std::string& text : texts) bytes += trimmed(oneLine(text)) + "\r\n";
    QString reason;
    if (writeTextFile(m_fieldsFile, QByteArray::fromStdString(bytes), &reason)) return true;
    qCWarning(lcFiles) << "cannot save" << m_fieldsFile << reason;
    if (why != nullptr) *why = reason;
    return false;
}

QString Settings::store(const QString& key, const QVariant& value)
{
    m_preferences.setValue(key, value);
    m_preferences.sync();
    if (m_preferences.status() == QSettings::NoError) return {};
    // QSettings does not say why; the file or its folder does.
    const QFileInfo file(m_preferences.fileName());
    const QByteArray probe = QFile::encodeName(file.exists() ? file.filePath() : file.path());
    const QString reason = ::access(probe.constData(), W_OK) != 0 ? QString::fromLocal8Bit(std::strerror(errno))
                                                                   : QStringLiteral("the file cannot be written");
    const QString message = QStringLiteral("%1: %2").arg(m_preferences.fileName(), reason);
    qCWarning(lcFiles) << "preference" << key << "not kept:" << message;
    return message;
}

bool Settings::notifyOfChanges() const
{
    return m_preferences.value(NotifyKey, true).toBool();
}

QString Settings::setNotifyOfChanges(bool on)
{
    return store(NotifyKey, on);
}

bool Settings::notifyOfNewComputers() const
{
    return m_preferences.value(NotifyNewKey, true).toBool();
}

QString Settings::setNotifyOfNewComputers(bool on)
{
    return store(NotifyNewKey, on);
}

bool Settings::notifyOfPrivateMacs() const
{
    return m_preferences.value(NotifyPrivateKey, false).toBool();
}

QString Settings::setNotifyOfPrivateMacs(bool on)
{
    return store(NotifyPrivateKey, on);
}

bool Settings::oneAtATime() const
{
    return m_preferences.value(OneAtATimeKey, false).toBool();
}

QString Settings::setOneAtATime(bool on)
{
    return store(OneAtATimeKey, on);
}

bool Settings::tcpKnock() const
{
    return m_preferences.value(TcpKnockKey, true).toBool();
}

QString Settings::setTcpKnock(bool on)
{
    return store(TcpKnockKey, on);
}

QString Settings::tcpPorts() const
{
    return m_preferences.value(TcpPortsKey, QStringLiteral("80,443")).toString();
}

QString Settings::setTcpPorts(const QString& list)
{
    return store(TcpPortsKey, list);
}

bool Settings::openPorts() const
{
    return m_preferences.value(OpenPortsKey, false).toBool();
}

QString Settings::setOpenPorts(bool on)
{
    return store(OpenPortsKey, on);
}

int Settings::historyDays() const
{
    const int days = m_preferences.value(HistoryDaysKey, 90).toInt();
    return std::find(HistoryDayChoices.begin(), HistoryDayChoices.end(), days) != HistoryDayChoices.end() ? days : 90;
}

QString Settings::setHistoryDays(int days)
{
    return store(HistoryDaysKey, days);
}

int Settings::notifyAfter() const
{
    return std::clamp(m_preferences.value(NotifyAfterKey, 1).toInt(), 1, 3);
}

QString Settings::setNotifyAfter(int tests)
{
    return store(NotifyAfterKey, tests);
}

QString Settings::historyServer() const
{
    return m_preferences.value(HistoryServerKey).toString().trimmed();
}

QString Settings::setHistoryServer(const QString& uri)
{
    return store(HistoryServerKey, uri.trimmed());
}

QString Settings::scannerName() const
{
    const QString name = m_preferences.value(ScannerNameKey).toString().trimmed();
    return name.isEmpty() ? QSysInfo::machineHostName() : name;
}

QString Settings::setScannerName(const QString& name)
{
    return store(ScannerNameKey, name.trimmed());
}

QString Settings::historySpoolFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/scanvet/history-spool.sqlite");
}

QString Settings::historyFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/scanvet/history.sqlite");
}
