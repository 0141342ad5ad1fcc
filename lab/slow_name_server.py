# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Name server for the lab: names 198.51.100.X "slowX.lab", holds each answer until SIGUSR1, counts them in argv[1]."""
import pathlib, re, signal, socket, struct, sys

server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
server.bind(("127.0.0.1", 53))
server.settimeout(0.05)  # Python resumes a wait that a signal breaks: look at the release now and then
held, released, held_file = [], [], pathlib.Path(sys.argv[1])
signal.signal(signal.SIGUSR1, lambda *_: released.append(True))


def answer(query):
    question = query[12:]  # glibc asks one question and adds no other record
    found = re.fullmatch(rb"[\x01-\x03](\d+)\x03100\x0251\x03198\x07in-addr\x04arpa\x00\x00\x0c\x00\x01", question)
    if not found:
        return query[:2] + struct.pack(">5H", 0x8583, 1, 0, 0, 0) + question, False  # no such name
    name = b"slow" + found[1]
    data = bytes([len(name)]) + name + b"\x03lab\0"
    record = struct.pack(">HHHIH", 0xC00C, 12, 1, 60, len(data)) + data
    return query[:2] + struct.pack(">5H", 0x8580, 1, 1, 0, 0) + question + record, True


held_file.write_text(str(len(held)))
while True:
    while released and held:
        server.sendto(*held.pop(0))
    try:
        query, peer = server.recvfrom(512)
    except TimeoutError:
        continue
    reply, slow = answer(query)
    if slow and not released:
        held.append((reply, peer))
        held_file.write_text(str(len(held)))
    else:
        server.sendto(reply, peer)
