// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Background threads (the maker lists, the history) step back for the
// threads on the test's clock, the echoes' and the link's: on a busy core
// the sweep keeps its pace and each ARP request goes out with its echo.
#pragma once

#include <string>

// Lowers the calling thread's priority by so many nice steps; false, with
// the reason in why, where it cannot.
bool lowerOwnPriority(int steps, std::string& why);

// The steps that a background thread takes.
inline constexpr int BackgroundNiceness = 5;
