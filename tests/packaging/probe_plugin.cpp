// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Code of the user's own that the program loads: a SQL driver plugin for the
// key the history asks for, found first through QT_PLUGIN_PATH. When asked
// for a driver it writes to PROBE_REPORT what it could misuse: the process's
// capability sets and how many of its descriptors are raw IP or packet
// sockets. It gives no driver.
#include <QFile>
#include <QSqlDriverPlugin>

#include <sys/socket.h>

#include <dirent.h>
#include <fstream>
#include <string>

class ProbePlugin : public QSqlDriverPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QSqlDriverFactoryInterface_iid FILE "probe_plugin.json")
public:
    QSqlDriver* create(const QString&) override
    {
        std::string found;
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.starts_with("CapPrm") || line.starts_with("CapEff") || line.starts_with("CapAmb")) found += line + "\n";
        int raw = 0;
        if (DIR* fds = opendir("/proc/self/fd")) {
            while (const dirent* entry = readdir(fds)) {
                const int fd = std::atoi(entry->d_name);
                int domain = 0, type = 0;
                socklen_t size = sizeof domain;
                if (entry->d_name[0] == '.' || getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &size) != 0) continue;
                size = sizeof type;
                getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size);
                raw += domain == AF_PACKET || (domain == AF_INET && type == SOCK_RAW);
            }
            closedir(fds);
        }
        std::ofstream(qgetenv("PROBE_REPORT").toStdString()) << found << "raw sockets: " << raw << "\n";
        return nullptr;
    }
};

#include "probe_plugin.moc"
