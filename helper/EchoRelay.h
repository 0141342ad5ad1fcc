// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The helper's echo mode: sends the echo requests the program asks for on a
// raw ICMP socket, under the helper's own identifier, and hands back only
// the packets that answer them: echo replies that carry the identifier, and
// ICMP errors that quote one of its requests. Nothing else of the host's
// ICMP traffic reaches the program.
#pragma once

#include "helper/HelperChannel.h"

#include <array>
#include <cstdint>
#include <optional>
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
    int64_t lastSentNs() const noexcept { return m_lastSentNs; }

private:
    int m_socket = -1;
    uint16_t m_identifier = 0;
    int m_ttl = -1;
    Pace m_pace;
    int64_t m_lastSentNs = 0;  // monotonic
    Interfaces m_interfaces;
    // When the request of each sequence number went out, so that the program
    // times an answer on the wire and not through the relay.
    std::array<int64_t, 65536> m_sentAt{};
};

// The sequence number of the echo request, with the identifier, that an IPv4
// packet read by a raw ICMP socket answers; nullopt when it answers none.
std::optional<uint16_t> answeredSequence(const uint8_t* packet, size_t size, uint16_t identifier) noexcept;

} // namespace Helper
