// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Background threads (the link, the maker lists, the history) step back
// for the echoes' thread, whose send times decide the answers: on a busy
// core the sweep keeps its pace.
#pragma once

#include <string>

// Lowers the calling thread's priority by so many nice steps; false, with
// the reason in why, where it cannot.
bool lowerOwnPriority(int steps, std::string& why);

// The steps that a background thread takes.
inline constexpr int BackgroundNiceness = 5;
