// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/ServerLocation.h"

#include <QLibrary>
#include <QStringList>

#include <libpq-fe.h>

namespace {

// libpq is loaded only where a server is asked for: linked, it would bring its
// own libraries into every start of the program, with or without a server.
struct ConninfoParser {
    decltype(&PQconninfoParse) parse = nullptr;
    decltype(&PQconninfoFree) free = nullptr;
    decltype(&PQfreemem) freeMemory = nullptr;
    QString error;
};

ConninfoParser loadParser()
{
    ConninfoParser parser;
    QLibrary library(QStringLiteral("pq"), 5);
    if (!library.load()) {
        parser.error = QStringLiteral("libpq cannot be loaded (Debian's package libpq5): ") + library.errorString();
        return parser;
    }
    // Never unloaded: the Qt SQL driver for the server uses the same library.
    parser.parse = reinterpret_cast<decltype(&PQconninfoParse)>(library.resolve("PQconninfoParse"));
    parser.free = reinterpret_cast<decltype(&PQconninfoFree)>(library.resolve("PQconninfoFree"));
    parser.freeMemory = reinterpret_cast<decltype(&PQfreemem)>(library.resolve("PQfreemem"));
    if (parser.parse == nullptr || parser.free == nullptr || parser.freeMemory == nullptr)
        parser.error = QStringLiteral("libpq lacks its URI parser: ") + library.errorString();
    return parser;
}

}  // namespace

bool ServerLocation::isServer(const QString& location)
{
    return location.startsWith(QLatin1String("postgresql://")) || location.startsWith(QLatin1String("postgres://"));
}

ServerLocation::ServerLocation(const QString& uri) : m_uri(uri)
{
    if (!isServer(uri)) {
        m_error = QStringLiteral("not a postgresql:// URI");
        return;
    }
    const ConninfoParser libpq = loadParser();
    if (!libpq.error.isEmpty()) {
        m_error = libpq.error;
        return;
    }
    char* why = nullptr;
    PQconninfoOption* options = libpq.parse(uri.toUtf8().constData(), &why);
    if (options == nullptr) {
        m_error = why != nullptr ? QString::fromUtf8(why).trimmed() : QStringLiteral("out of memory");
        libpq.freeMemory(why);
        return;
    }
    // Qt hands the options to libpq as one conninfo string: each value quoted,
    // its quotes and backslashes escaped; Qt turns every ';' into a blank.
    QStringList pairs;
    bool timeout = false;
    for (const PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
        if (option->val == nullptr) continue;
        const QString keyword = QString::fromUtf8(option->keyword), value = QString::fromUtf8(option->val);
        if (keyword == QLatin1String("password")) {
            m_error = QStringLiteral("a password in the URI is refused: libpq reads it from ~/.pgpass or PGPASSFILE");
            break;
        }
        if (value.contains(u';')) {
            m_error = QStringLiteral("the value of %1 holds a ';'").arg(keyword);
            break;
        }
        timeout = timeout || keyword == QLatin1String("connect_timeout");
        QString quoted = value;
        quoted.replace(QLatin1String("\\"), QLatin1String("\\\\")).replace(QLatin1String("'"), QLatin1String("\\'"));
        pairs << keyword + QStringLiteral("='") + quoted + QLatin1Char('\'');
    }
    libpq.free(options);
    if (!timeout) pairs << QStringLiteral("connect_timeout=%1").arg(DefaultConnectTimeout);
    if (m_error.isEmpty()) m_options = pairs.join(u';');
}
