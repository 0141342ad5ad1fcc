// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The raw kind of the echo socket, through the privileged helper's relay, and
// the judgement of an answer's time that both kinds share.
#include "net/EchoSocket.h"

#include "net/HelperProcess.h"
#include "net/IcmpPacket.h"
#include "net/Log.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

std::optional<EchoResult> EchoSocket::judgedInTime(const Answer& answer, Clock::time_point sentHere,
                                                  Clock::duration timeout) noexcept
{
    // Where the helper relayed the request, it went out on the wire a little after the program sent it.
    const Clock::time_point sent = answer.sentOnWire ? std::max(*answer.sentOnWire, sentHere) : sentHere;
    if (answer.received - sent > timeout) return std::nullopt;
    EchoResult result = answer.result;
    if (result.answered())
        result.roundTripMs = static_cast<uint32_t>(
            std::max<int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(answer.received - sent).count(), 0));
    return result;
}

void EchoSocket::receiveRelayed(const WaitingRequest& waiting, const std::function<void(const Answer&)>& answered)
{
    using namespace IcmpPacket;
    std::vector<uint8_t>& buffer = m_receiveBuffer;
    if (buffer.size() < HelperProtocol::MaxMessage) buffer.resize(HelperProtocol::MaxMessage);
    for (int guard = 0; guard < 1000 && !m_helperGone; ++guard) {
        const ssize_t n = recv(m_socketFd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            qCWarning(lcNet, "the privileged helper has ended: %s", n == 0 ? "it closed its end" : std::strerror(errno));
            m_helperGone = true;
            break;
        }
        const auto event = HelperProtocol::decodeEvent(buffer.data(), size_t(n));
        if (!event) continue;
        const auto answerOf = [&](uint16_t sequence, EchoResult result, Clock::time_point received) {
            if (waiting && waiting(sequence)) answered(Answer{sequence, result, received, {}});
        };
        switch (event->kind) {
        case HelperProtocol::EventKind::EchoPacket: {
            const auto& p = event->echoPacket;
            const auto sequence = sequenceToJudge(p.packet, p.size, Form::IpPacket);
            const auto destination = sequence && waiting ? waiting(*sequence) : std::nullopt;
            if (!destination) continue;
            const Verdict v = judgeIpPacket(p.packet, p.size, Expected{*destination, m_echoIdentifier, *sequence});
            if (v.what == Kind::Ignore) continue;
            Answer answer{*sequence, {v.status, 0, v.from, 0}, Clock::time_point(std::chrono::nanoseconds(p.receivedNs)), {}};
            if (p.sentNs != 0) answer.sentOnWire = Clock::time_point(std::chrono::nanoseconds(p.sentNs));
            if (v.what == Kind::Reply) answer.result.ttl = v.ttl;
            answered(answer);
            break;
        }
        case HelperProtocol::EventKind::SendFailed:
            answerOf(event->sendFailed.sequence, resultOfErrno(event->sendFailed.error), Clock::now());
            break;
        case HelperProtocol::EventKind::Synced:
            m_syncedToken = event->synced.token;
            break;
        case HelperProtocol::EventKind::Refused:
            qCWarning(lcNet, "the privileged helper refused an echo: %s", event->refused.reason.c_str());
            answerOf(event->refused.sequence, {EchoStatus::SendFailed, 0, 0, 0, EACCES}, Clock::now());
            break;
        default: break;
        }
    }
}

void EchoSocket::syncRelay(const WaitingRequest& waiting, const std::function<void(const Answer&)>& answered)
{
    const uint32_t token = ++m_syncToken;
    const auto request = HelperProtocol::encodeSync(token);
    if (m_helperGone || ::send(m_socketFd, request.data(), request.size(), MSG_DONTWAIT | MSG_NOSIGNAL) < 0) return;
    // The helper answers at once unless the machine is stalled; a dead one must not hold the echo.
    const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(1);
    Readiness ready;
    while (m_syncedToken != token && !m_helperGone && !m_aborted && Clock::now() < giveUp) {
        if (!wait(giveUp, Clock::duration::zero(), false, -1, ready)) return;
        if (ready.readable) receiveRelayed(waiting, answered);
    }
}
