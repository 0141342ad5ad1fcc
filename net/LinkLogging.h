// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The logging category of the link layer: local interfaces, the neighbour
// table, ARP probes, makers and link sightings ("scanvet.link").
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLink)
