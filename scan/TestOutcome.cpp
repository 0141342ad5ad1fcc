// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scan/TestOutcome.h"

#include "net/Ipv4.h"
#include "net/ScanRange.h"
#include "scan/Log.h"

#include <arpa/inet.h>

#include <algorithm>
#include <map>

std::vector<uint32_t> TestOutcome::present() const
{
    std::vector<uint32_t> addresses;
    for (const Answer& answer : answered) addresses.push_back(answer.address);
    for (const Sighting& sighting : onLink) addresses.push_back(sighting.address);
    for (const Knocked& knock : knocked) addresses.push_back(knock.address);
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    return addresses;
}

std::vector<TestRecord> TestOutcome::historyRecords(const std::function<QString(uint32_t)>& nameOf) const
{
    std::map<uint32_t, ComputerResult> computers;
    const auto result = [&](uint32_t address) -> ComputerResult& {
        ComputerResult& computer = computers[address];
        computer.address = QString::fromStdString(dottedText(htonl(address)));
        computer.name = nameOf(address);
        return computer;
    };
    for (const Answer& answer : answered) {
        ComputerResult& computer = result(answer.address);
        computer.answered = true;
    }
    for (const Sighting& sighting : onLink) {
        ComputerResult& computer = result(sighting.address);
        computer.seenOnLink = true;
        computer.mac = sighting.mac;
        computer.conflict = sighting.conflict;
    }
    for (const Knocked& knock : knocked) result(knock.address).answeredKnock = true;
    std::vector<TestRecord> records;
    const PlanAddresses addresses(plan.ranges);
    for (const ScanRange& range : addresses.ranges()) {
        for (uint64_t first = range.first; first <= range.last; first = (first | 0xFF) + 1) {
            const ScanRange piece{static_cast<uint32_t>(first), std::min(range.last, static_cast<uint32_t>(first) | 0xFF)};
            // A test that went to other addresses, or whose link was not seen, proves nobody absent.
            TestRecord test{QString::fromStdString(scanRangeText(piece)), plan.preset, started, ended, whole && comparable,
                            {}};
            for (auto it = computers.lower_bound(piece.first); it != computers.end() && it->first <= piece.last; ++it)
                test.computers.push_back(it->second);
            records.push_back(std::move(test));
        }
    }
    return records;
}

std::vector<TestOutcome::Sighting> TestOutcome::sightingsOf(const std::vector<LinkSighting>& sightings,
                                                          const std::function<QString(const MacAddress&)>& makerOf)
{
    std::vector<Sighting> seen;
    for (const LinkSighting& sighting : sightings) {
        const QString mac = QString::fromStdString(macText(sighting.mac));
        if (!seen.empty() && seen.back().address == ntohl(sighting.address)) {
            qCWarning(lcScan) << "address conflict:" << dottedText(sighting.address).c_str() << "answers from"
                              << seen.back().mac << "and" << mac;
            seen.back().conflict = mac;
            seen.back().conflictMaker = makerOf(sighting.mac);
            continue;
        }
        seen.push_back({ntohl(sighting.address), mac, makerOf(sighting.mac), {}, {}});
    }
    return seen;
}
