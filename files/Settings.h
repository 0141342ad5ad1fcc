// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Everything the program keeps from one run to the next, in one place:
// - "Scanvet.cfg": the window's seven numbers, one a line (the four octets,
//   the lowest and highest last octet of the range, the repeat period in
//   minutes), in the folder the program started in, whatever folder a save
//   later moves to;
// - the program's own preferences, in QSettings
//   ($XDG_CONFIG_HOME/scanvet/scanvet-address.conf), never in Scanvet.cfg;
// - where the history of tests is kept ($XDG_DATA_HOME/scanvet/).
#pragma once

#include <QSettings>
#include <QString>

#include <array>
#include <optional>
#include <string>
#include <vector>

class Settings {
public:
    static constexpr size_t FieldCount = 7;
    static inline const QString FieldsFileName = QStringLiteral("Scanvet.cfg");
    struct Limits {
        int min;
        int max;
    };
    // Each line is brought into its field's limits when read.
    static constexpr std::array<Limits, FieldCount> FieldLimits{
        {{0, 255}, {0, 255}, {0, 255}, {1, 254}, {1, 254}, {1, 254}, {0, 60}}};
    static constexpr std::array<int, FieldCount> DefaultFields{1, 1, 1, 1, 1, 254, 1};
    static constexpr std::array<int, 5> HistoryDayChoices{0, 7, 30, 90, 365};  // 0: no history

    // startFolder: the folder Scanvet.cfg is read from and written to.
    explicit Settings(const QString& startFolder);

    QString fieldsFile() const { return m_fieldsFile; }

    struct StoredFields {
        std::vector<int> values;  // the lines up to the first bad one, in their limits
        QString error;            // that line's error message; empty when all seven are read
    };
    // A file that cannot be read (missing, a folder) gives the defaults.
    // Only the start of the file is read, a few kilobytes; anything that is
    // no regular file reads as empty. The messages are "List index out of
    // bounds (I)" for a missing line I (from 0) and "'LINE' is not a valid
    // integer value", the line made printable.
    [[nodiscard]] StoredFields readFields() const;
    // Exactly seven lines, each followed by CR LF: each text trimmed, and a
    // line break (or NUL, which would end the text when read) inside it
    // turned into a blank. False, with the reason in why, when it cannot be
    // written.
    [[nodiscard]] bool writeFields(const std::array<std::string, FieldCount>& texts, QString* why = nullptr) const;

    // The preferences. A setter returns the reason when the choice could not
    // be kept (empty when it was); the choice holds for this run either way.
    bool notifyOfChanges() const;
    [[nodiscard]] QString setNotifyOfChanges(bool on);
    // A notice for each computer never seen before (on by default), and for
    // those with a private (locally administered, often random) MAC (off).
    bool notifyOfNewComputers() const;
    [[nodiscard]] QString setNotifyOfNewComputers(bool on);
    bool notifyOfPrivateMacs() const;
    [[nodiscard]] QString setNotifyOfPrivateMacs(bool on);
    // One echo in flight at a time, as the classic walk.
    bool oneAtATime() const;
    [[nodiscard]] QString setOneAtATime(bool on);
    // TCP knocks for the computers that ignore ping (on by default), on the
    // ports of the kept list ("80,443" by default; the window checks it), and
    // whether a test also tells which of them accept (off by default).
    bool tcpKnock() const;
    [[nodiscard]] QString setTcpKnock(bool on);
    QString tcpPorts() const;
    [[nodiscard]] QString setTcpPorts(const QString& list);
    bool openPorts() const;
    [[nodiscard]] QString setOpenPorts(bool on);
    // How many days of history are kept; 0 keeps none.
    int historyDays() const;
    [[nodiscard]] QString setHistoryDays(int days);
    // A computer counts as having stopped answering after this many whole
    // tests in a row without an answer (1 to 3).
    int notifyAfter() const;
    [[nodiscard]] QString setNotifyAfter(int tests);

    // The history on a PostgreSQL server: its libpq URI (never a password);
    // empty: the history file of this computer.
    QString historyServer() const;
    [[nodiscard]] QString setHistoryServer(const QString& uri);
    // The name this computer's tests carry on a server; the host name unless set.
    QString scannerName() const;
    [[nodiscard]] QString setScannerName(const QString& name);

    // $XDG_DATA_HOME/scanvet/history.sqlite
    static QString historyFile();
    // Where tests wait while the history server is away: $XDG_DATA_HOME/scanvet/history-spool.sqlite
    static QString historySpoolFile();

private:
    [[nodiscard]] QString store(const QString& key, const QVariant& value);

    QString m_fieldsFile;
    QSettings m_preferences;
};

// The lines of a settings file's start (CR, LF or CR LF end a line; a NUL
// ends the text).
std::vector<std::string> settingsLines(const QByteArray& bytes);
