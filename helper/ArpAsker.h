// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The helper's ARP mode: asks who has an address, by broadcast on the
// interface whose subnet holds it, and hands back the answers it can trust:
// replies sent to this host alone (PACKET_HOST), addressed to the asking
// interface's address and MAC, from an address it asked for within the last
// AnswerWindowNs. Every such reply is handed back, so that two MACs
// answering for one address both reach the program.
#pragma once

#include "helper/HelperChannel.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace Helper {

class ArpAsker {
public:
    // Opens the packet socket (before the capabilities go); false, with the reason, when it cannot.
    bool open(std::string& why) noexcept;
    int socket() const noexcept { return m_socket; }

    // One checked request; false when the program has gone.
    bool serve(int channel, const HelperProtocol::Request& request);
    // Forwards the trusted replies that have arrived; false when the program has gone.
    bool forward(int channel);
    int64_t lastSentNs() const noexcept { return m_lastSentNs; }

private:
    int m_socket = -1;
    Pace m_pace;
    int64_t m_lastSentNs = 0;  // monotonic
    Interfaces m_interfaces;
    // (interface, address asked) → when it was asked, monotonic.
    std::map<std::pair<uint32_t, uint32_t>, int64_t> m_asked;
};

} // namespace Helper
