// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The throwaway PostgreSQL server that ctest starts for these tests
// (pg_server.sh, a fixture): a fresh database per test, reached on its Unix
// socket, the password in a password file of the test's own (PGPASSFILE).
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <QVariant>

#include <cstdlib>

class ServerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* location = std::getenv("SCANVET_PG_LOCATION");
        QFile file(QString::fromLocal8Bit(location != nullptr ? location : ""));
        if (!file.open(QIODevice::ReadOnly))
            GTEST_SKIP() << "no PostgreSQL server: the pg_server_start fixture did not start one (it says why)";
        folder = QString::fromLocal8Bit(file.readAll()).trimmed();
        QFile secret(folder + QStringLiteral("/password"));
        ASSERT_TRUE(secret.open(QIODevice::ReadOnly));
        password = QString::fromLatin1(secret.readAll()).trimmed();
        setPassword(password);
        database = QStringLiteral("t") + QUuid::createUuid().toString(QUuid::Id128);
        ASSERT_TRUE(sql(QStringLiteral("CREATE DATABASE ") + database, QStringLiteral("postgres")));
    }
    void setPassword(const QString& text)
    {
        QFile pass(home.filePath(QStringLiteral("pgpass")));
        ASSERT_TRUE(pass.open(QIODevice::WriteOnly | QIODevice::Truncate));
        pass.write(QStringLiteral("*:*:*:scanvet:%1\n").arg(text).toUtf8());
        pass.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        setenv("PGPASSFILE", QFile::encodeName(pass.fileName()).constData(), 1);
    }
    QString uri(const QString& name = {}) const
    {
        return QStringLiteral("postgresql://scanvet@/%1?host=%2/socket").arg(name.isEmpty() ? database : name, folder);
    }
    // One statement in its own connection; with a result, its first value.
    QVariant value(const QString& statement, const QString& in = {})
    {
        QVariant result;
        {
            QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("fixture"));
            connection.setConnectOptions(QStringLiteral("host=%1/socket;user=scanvet;dbname=%2")
                                             .arg(folder, in.isEmpty() ? database : in));
            QSqlQuery query(connection);
            if (!connection.open() || !query.exec(statement))
                ADD_FAILURE() << statement.toStdString() << ": " << query.lastError().text().toStdString()
                              << connection.lastError().text().toStdString();
            else if (query.next()) result = query.value(0);
            else result = true;
        }
        QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
        return result;
    }
    bool sql(const QString& statement, const QString& in = {}) { return value(statement, in).isValid(); }
    qint64 count(const QString& statement) { return value(statement).toLongLong(); }
    QString spoolFile() const { return home.filePath(QStringLiteral("spool.sqlite")); }

    QTemporaryDir home;
    QString folder, password, database;
};
