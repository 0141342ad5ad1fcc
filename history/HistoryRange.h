// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A range of last octets in one network of three octets, "A.B.C.MIN-MAX":
// the pieces in which the history keeps a test.
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class HistoryRange {
public:
    // network: A.B.C as (A << 16) | (B << 8) | C; first <= last, both 0..255.
    HistoryRange(quint32 network, int first, int last);

    // "A.B.C.MIN-MAX" (net/ScanRange.h); none for anything else.
    static std::optional<HistoryRange> parse(const QString& text);

    quint32 network() const { return m_network; }
    int first() const { return m_first; }
    int last() const { return m_last; }
    quint32 lowest() const { return m_network << 8 | quint32(m_first); }
    quint32 highest() const { return m_network << 8 | quint32(m_last); }
    bool contains(quint32 address) const { return address >= lowest() && address <= highest(); }
    QString text() const;
    // As the History page and --history read it: a range from 1 takes in .0
    // and one to 254 takes in .255, the hosts of a wider block (a /16) there,
    // which the octet fields cannot name.
    HistoryRange withNetworkEnds() const;

private:
    quint32 m_network;
    int m_first;
    int m_last;
};
