// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Names come from the network: what they may carry must not steer a terminal
// or reorder the text around them.
#pragma once

#include <QString>

// Every control, format (bidirectional marks and embeddings, U+061C, U+200E,
// U+200F, U+202A-U+202E, U+2066-U+2069 among them), line or paragraph
// separator, and lone surrogate replaced by "?".
QString safeText(const QString& text);
