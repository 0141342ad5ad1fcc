// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Lengths of time counted in seconds, as the history stores its times.
#pragma once

#include <QtGlobal>

inline constexpr qint64 SecondsPerDay = 24 * 60 * 60;
