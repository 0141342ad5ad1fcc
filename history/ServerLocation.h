// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Where a history on a PostgreSQL server is: a libpq connection URI, as psql
// takes it (postgresql://[user@][host][:port]/database[?param=value...],
// host=/folder for a Unix socket). libpq itself parses it, so that every
// parameter means what it means to psql. The password never comes from here:
// libpq reads ~/.pgpass or PGPASSFILE.
#pragma once

#include <QString>

class ServerLocation {
public:
    // How long a connection may take when the URI says nothing of it, in seconds.
    static constexpr int DefaultConnectTimeout = 5;

    // Starts with postgresql:// or postgres://.
    static bool isServer(const QString& location);

    // The URI parsed, or why not (error). A password in it is refused.
    explicit ServerLocation(const QString& uri);
    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    QString uri() const { return m_uri; }
    // libpq's key='value' pairs, separated by ';', for QSqlDatabase::setConnectOptions.
    QString connectOptions() const { return m_options; }

private:
    QString m_uri;
    QString m_options;
    QString m_error;
};
