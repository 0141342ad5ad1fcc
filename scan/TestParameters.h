// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What a test reads from the window. The window writes it on the GUI thread
// while the scan thread reads it, so every value is read and written whole.
#pragma once

#include <atomic>

struct TestParameters {
    std::atomic<int> octet1{0};
    std::atomic<int> octet2{0};
    std::atomic<int> octet3{0};
    std::atomic<int> rangeMin{1};     // lowest last octet
    std::atomic<int> rangeMax{254};   // highest last octet
};
