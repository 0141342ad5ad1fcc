// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What counts as the user's input, for the controls that must take none for a while.
#pragma once

#include <QEvent>

// Mouse, wheel, keys and their shortcuts, context menus, touch and tablet.
bool isUserInput(QEvent::Type type);
