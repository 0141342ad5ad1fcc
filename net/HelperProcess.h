// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Starts the privileged helper (scanvet-helper) in one of its modes and
// holds the socket pair to it. The helper gets an empty environment, its
// socket as descriptor 3, /dev/null as standard input and output, the
// program's standard error, and no other descriptor.
#pragma once

#include "helper/HelperProtocol.h"

#include <string>
#include <string_view>
#include <sys/types.h>

class HelperProcess {
public:
    // Where the helper lies (base/CompanionProgram.h).
    [[nodiscard]] static std::string program();

    // Starts it and waits, a few seconds at the most, for its first word.
    // Check ok(): false, with the reason in why(), where the helper is
    // missing, cannot be started, or is not allowed its socket.
    HelperProcess(const std::string& program, std::string_view mode);
    ~HelperProcess();  // closes the socket, which ends the helper, and reaps it
    // For a program about to end: closes the socket, which ends the helper,
    // and leaves it to end on its own, reaped by the one who inherits it.
    // Its end releases a packet socket, which waits for the kernel's grace
    // period; nothing the program has to tell waits for that.
    void leaveToEnd() noexcept;
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    [[nodiscard]] bool ok() const noexcept { return m_ok; }
    [[nodiscard]] const std::string& why() const noexcept { return m_why; }
    // The program's end of the socket pair: non-blocking, one message a packet.
    [[nodiscard]] int channel() const noexcept { return m_channel; }
    [[nodiscard]] uint16_t identifier() const noexcept { return m_identifier; }
    [[nodiscard]] pid_t pid() const noexcept { return m_pid; }

private:
    int m_channel = -1;
    pid_t m_pid = -1;
    bool m_ok = false;
    std::string m_why;
    uint16_t m_identifier = 0;
};
