// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/TcpPortList.h"

#include <algorithm>

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<std::vector<uint16_t>> parseTcpPortList(std::string_view text, std::string& why)
{
    why.clear();
    if (trimmed(text) == "none") return std::vector<uint16_t>{};
    std::vector<uint16_t> ports;
    for (;;) {
        const size_t comma = text.find(',');
        const std::string_view item = trimmed(text.substr(0, comma));
        if (item.empty()) {
            why = "an empty item";
            return std::nullopt;
        }
        const bool digits = item.size() <= 5 && std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; });
        const long port = digits ? std::stol(std::string(item)) : 0;
        if (!digits || port < 1 || port > 65535) {
            why = "'" + std::string(item) + "' is not a port from 1 to 65535";
            return std::nullopt;
        }
        if (std::find(ports.begin(), ports.end(), port) != ports.end()) {
            why = "port " + std::string(item) + " is given twice";
            return std::nullopt;
        }
        ports.push_back(static_cast<uint16_t>(port));
        if (ports.size() > MaxTcpPorts) {
            why = "more than " + std::to_string(MaxTcpPorts) + " ports";
            return std::nullopt;
        }
        if (comma == std::string_view::npos) return ports;
        text.remove_prefix(comma + 1);
    }
}

std::string tcpPortListText(const std::vector<uint16_t>& ports)
{
    if (ports.empty()) return "none";
    std::string text;
    for (const uint16_t port : ports) text += (text.empty() ? "" : ",") + std::to_string(port);
    return text;
}
