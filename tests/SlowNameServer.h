// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The lab's name server that holds every reverse look-up until told to answer (lab/slow_name_server.py), for
// one test. Started with posix_spawn: ThreadSanitizer cannot follow QProcess's start.
#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <string>

extern char** environ;

class SlowNameServer {
public:
    SlowNameServer()
    {
        std::string python = "python3", script = SLOW_NAME_SERVER, count = m_folder.filePath("held").toStdString();
        char* argv[] = {python.data(), script.data(), count.data(), nullptr};
        if (posix_spawnp(&m_pid, argv[0], nullptr, nullptr, argv, environ) != 0) m_pid = 0;
    }
    ~SlowNameServer() { if (m_pid > 0 && ::kill(m_pid, SIGTERM) == 0) ::waitpid(m_pid, nullptr, 0); }
    // True once it holds count look-ups (0: it has started).
    bool holds(int count) const
    {
        return m_pid > 0 && QTest::qWaitFor([&] {
            QFile held(m_folder.filePath("held"));
            return held.open(QIODevice::ReadOnly) && held.readAll().toInt() == count;
        }, 30000);
    }
    void answer() const { ::kill(m_pid, SIGUSR1); }

private:
    QTemporaryDir m_folder;
    pid_t m_pid = 0;
};
