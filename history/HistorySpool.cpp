// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/HistorySpool.h"

#include "history/HistorySchema.h"
#include "history/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

HistorySpool::HistorySpool(QString path)
    : m_path(std::move(path)),
      m_connection(QStringLiteral("scanvet.spool.") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

HistorySpool::~HistorySpool()
{
    if (!m_database.isValid()) return;
    m_database.close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

bool HistorySpool::fail(const QString& reason)
{
    m_error = QDir::toNativeSeparators(m_path) + QStringLiteral(": ") + reason;
    qCWarning(lcHistory).noquote() << m_error;
    return false;
}

bool HistorySpool::open(bool make)
{
    m_error.clear();
    if (m_database.isValid() && m_database.isOpen()) return true;
    const QFileInfo file(m_path);
    if (!file.exists()) {
        if (!make) return false;
        const QString folder = file.absolutePath();
        if (!QFileInfo::exists(folder) && (!QDir().mkpath(QFileInfo(folder).absolutePath()) ||
                                           ::mkdir(QFile::encodeName(folder).constData(), 0700) != 0))
            return fail(QStringLiteral("cannot make its folder: ") + QString::fromLocal8Bit(std::strerror(errno)));
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) return fail(QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
    }
    if (!m_database.isValid()) m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_database.setDatabaseName(m_path);
    m_database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    if (!m_database.open()) return fail(HistorySchema::reason(m_database.lastError()));
    QSqlQuery query(m_database);
    for (const char* statement : {"PRAGMA synchronous=FULL",
                                  "CREATE TABLE IF NOT EXISTS waiting (id INTEGER PRIMARY KEY AUTOINCREMENT,"
                                  " uid TEXT NOT NULL, pieces BLOB NOT NULL)",
                                  "CREATE TABLE IF NOT EXISTS set_aside (id INTEGER PRIMARY KEY, uid TEXT NOT NULL,"
                                  " pieces BLOB NOT NULL, reason TEXT NOT NULL, time INTEGER NOT NULL)"})
        if (!query.exec(QLatin1String(statement))) {
            m_database.close();
            return fail(HistorySchema::reason(query.lastError()));
        }
    return true;
}

bool HistorySpool::add(const QString& uid, const std::vector<TestRecord>& pieces, const QString& refused)
{
    if (!open(true)) return false;
    QSqlQuery query(m_database);
    if (refused.isEmpty()) {
        query.prepare(QStringLiteral("INSERT INTO waiting (uid, pieces) VALUES (?, ?)"));
    } else {
        query.prepare(QStringLiteral("INSERT INTO set_aside (uid, pieces, reason, time) VALUES (?, ?, ?, ?)"));
    }
    query.addBindValue(uid);
    query.addBindValue(encode(pieces));
    if (!refused.isEmpty()) {
        query.addBindValue(refused);
        query.addBindValue(QDateTime::currentSecsSinceEpoch());
    }
    return query.exec() || fail(HistorySchema::reason(query.lastError()));
}

std::optional<HistorySpool::Entry> HistorySpool::oldest()
{
    if (!open(false)) return std::nullopt;
    QSqlQuery query(m_database);
    for (;;) {
        if (!query.exec(QStringLiteral("SELECT id, uid, pieces FROM waiting ORDER BY id LIMIT 1"))) {
            fail(HistorySchema::reason(query.lastError()));
            return std::nullopt;
        }
        if (!query.next()) return std::nullopt;
        const qint64 id = query.value(0).toLongLong();
        std::optional<std::vector<TestRecord>> pieces = decode(query.value(2).toByteArray());
        if (pieces) return Entry{id, query.value(1).toString(), std::move(*pieces)};
        query.finish();
        const QString reason = QStringLiteral("test %1 cannot be read").arg(id);
        qCWarning(lcHistory).noquote() << m_path << reason << "and is set aside";
        if (!setAside(id, reason)) return std::nullopt;
    }
}

bool HistorySpool::remove(qint64 id)
{
    if (!open(false)) return m_error.isEmpty();
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("DELETE FROM waiting WHERE id = ?"));
    query.addBindValue(id);
    return query.exec() || fail(HistorySchema::reason(query.lastError()));
}

bool HistorySpool::setAside(qint64 id, const QString& reason)
{
    if (!open(false)) return m_error.isEmpty();
    QSqlQuery query(m_database);
    const auto run = [&](const char* text, std::initializer_list<QVariant> values) {
        query.prepare(QLatin1String(text));
        for (const QVariant& value : values) query.addBindValue(value);
        return query.exec();
    };
    if (!run("BEGIN IMMEDIATE", {})) return fail(HistorySchema::reason(query.lastError()));
    if (run("INSERT INTO set_aside (uid, pieces, reason, time) SELECT uid, pieces, ?, ? FROM waiting WHERE id = ?",
            {reason, QDateTime::currentSecsSinceEpoch(), id}) &&
        run("DELETE FROM waiting WHERE id = ?", {id}) && run("COMMIT", {}))
        return true;
    fail(HistorySchema::reason(query.lastError()));
    if (!query.exec(QStringLiteral("ROLLBACK")))
        qCWarning(lcHistory) << "rollback failed:" << HistorySchema::reason(query.lastError());
    return false;
}

qint64 HistorySpool::countOf(const char* statement)
{
    if (!open(false)) return 0;
    QSqlQuery query(m_database);
    if (!query.exec(QLatin1String(statement)) || !query.next()) {
        fail(HistorySchema::reason(query.lastError()));
        return 0;
    }
    return query.value(0).toLongLong();
}

qint64 HistorySpool::count()
{
    return countOf("SELECT count(*) FROM waiting");
}

qint64 HistorySpool::setAsideCount()
{
    return countOf("SELECT count(*) FROM set_aside");
}

QByteArray HistorySpool::encode(const std::vector<TestRecord>& pieces)
{
    QJsonArray tests;
    for (const TestRecord& piece : pieces) {
        QJsonArray computers;
        for (const ComputerResult& c : piece.computers)
            computers.append(QJsonObject{{QStringLiteral("address"), c.address}, {QStringLiteral("answered"), c.answered},
                                         {QStringLiteral("name"), c.name}, {QStringLiteral("mac"), c.mac},
                                         {QStringLiteral("link"), c.seenOnLink}, {QStringLiteral("conflict"), c.conflict},
                                         {QStringLiteral("knock"), c.answeredKnock}});
        tests.append(QJsonObject{{QStringLiteral("range"), piece.range}, {QStringLiteral("preset"), piece.preset},
                                 {QStringLiteral("start"), piece.start.isValid() ? piece.start.toMSecsSinceEpoch() : -1},
                                 {QStringLiteral("end"), piece.end.toMSecsSinceEpoch()},
                                 {QStringLiteral("whole"), piece.whole}, {QStringLiteral("computers"), computers}});
    }
    return QJsonDocument(tests).toJson(QJsonDocument::Compact);
}

std::optional<std::vector<TestRecord>> HistorySpool::decode(const QByteArray& bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) return std::nullopt;
    std::vector<TestRecord> pieces;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject test = value.toObject();
        TestRecord piece;
        piece.range = test[QLatin1String("range")].toString();
        piece.preset = test[QLatin1String("preset")].toInt();
        const qint64 start = qint64(test[QLatin1String("start")].toDouble(-1));
        if (start >= 0) piece.start = QDateTime::fromMSecsSinceEpoch(start);
        piece.end = QDateTime::fromMSecsSinceEpoch(qint64(test[QLatin1String("end")].toDouble()));
        piece.whole = test[QLatin1String("whole")].toBool();
        for (const QJsonValue& computer : test[QLatin1String("computers")].toArray()) {
            const QJsonObject c = computer.toObject();
            piece.computers.push_back({c[QLatin1String("address")].toString(), c[QLatin1String("answered")].toBool(),
                                       c[QLatin1String("name")].toString(), c[QLatin1String("mac")].toString(),
                                       c[QLatin1String("link")].toBool(), c[QLatin1String("conflict")].toString(),
                                       c[QLatin1String("knock")].toBool()});
        }
        pieces.push_back(std::move(piece));
    }
    return pieces;
}
