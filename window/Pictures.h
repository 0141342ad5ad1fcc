// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The program's pictures, drawn in code.
#pragma once

#include <QIcon>
#include <QImage>

namespace Pictures {
// 16 x 16: a desktop computer with a lit blue screen and green lamps.
QIcon computerAnswering();
// The same computer with a dark screen and an orange lamp.
QIcon computerSilent();
// Silent at its echo but seen on the link: a grey screen with a violet network
// plug, and a violet lamp.
QIcon computerOnLinkOnly();
// Silent at its echo, not on the link, but it answered a TCP knock: a grey
// screen with a teal door, and a teal lamp.
QIcon computerKnockOnly();
// 32 x 32: a monitor sending echo waves.
QIcon programIcon();
// 88 x 124, 8 bits per pixel with a 256-colour palette, for the about box.
QImage aboutPicture();
} // namespace Pictures
