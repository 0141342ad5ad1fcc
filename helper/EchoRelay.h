// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The helper's echo mode: sends the echo requests the program asks for on a
// raw ICMP socket, under the helper's own identifier, and hands back only
// the packets that answer them: echo replies that carry the identifier, and
// ICMP errors that quote one of its requests. Nothing else of the host's
// ICMP traffic reaches the program.
#pragma once

#include "helper/HelperChannel.h"

#include <cstdint>
#include <string>

namespace Helper {

class EchoRelay {
public:
    // Opens the raw socket (before the capabilities go); false, with the reason, when it cannot.
    bool open(std::string& why) noexcept;
    int socket() const noexcept { return m_socket; }
    uint16_t identifier() const noexcept { return m_identifier; }

    // One checked request; false when the program has gone.
    bool serve(int channel, const HelperProtocol::Request& request);
    // Forwards what has arrived; false when the program has gone.
    bool forward(int channel);

private:
    int m_socket = -1;
    uint16_t m_identifier = 0;
    int m_ttl = -1;
    Pace m_pace;
    Interfaces m_interfaces;
};

// Whether an IPv4 packet read by a raw ICMP socket answers an echo request with the identifier.
bool answersIdentifier(const uint8_t* packet, size_t size, uint16_t identifier) noexcept;

} // namespace Helper
