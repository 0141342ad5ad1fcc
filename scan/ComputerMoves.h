// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A computer that the last test saw at one address and this test at another,
// known by its MAC: one move, not a computer gone and another come.
#pragma once

#include "scan/TestOutcome.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <cstdint>
#include <vector>

struct AddressMove {
    uint32_t from, to;  // host byte order
    QString mac;
};

// lastMacs: the MAC of each address present before (lastPresent); presentNow:
// the addresses present in this test, whose MACs are in onLink. A MAC of an
// address no longer present, seen now at an address not present before, has moved.
std::vector<AddressMove> findMoves(const QHash<uint32_t, QString>& lastMacs, const QSet<uint32_t>& lastPresent,
                                   const QSet<uint32_t>& presentNow, const std::vector<TestOutcome::Sighting>& onLink);
