// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The list of TCP ports knocked on, as the command line and the window take
// it: "80,443", or "none" for no knock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t MaxTcpPorts = 16;
inline constexpr std::string_view DefaultTcpPorts = "80,443";

// 1 to MaxTcpPorts ports from 1 to 65535, each once, joined by commas (blanks
// around them allowed); "none" gives an empty list. nullopt, with the reason
// in why, for anything else.
[[nodiscard]] std::optional<std::vector<uint16_t>> parseTcpPortList(std::string_view text, std::string& why);
// "80,443", or "none" for an empty list.
[[nodiscard]] std::string tcpPortListText(const std::vector<uint16_t>& ports);
