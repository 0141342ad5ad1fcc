// A name server of the test's own on 127.0.0.1:53 inside the lab's scanner
// namespace (the lab's resolv.conf points there). It answers reverse look-ups
// of 198.51.100.x and 203.0.113.x with names made from the address, and the
// names h<a>-<b>-<c>-<d>.slow.lab (a name must not begin with a digit) with
// that address; everything else is not found at once. While held, it keeps
// its answers to those look-ups back until Release(): the test decides when a
// slow look-up ends.
#pragma once

#include <netinet/in.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TSlowNameServer {
public:
    TSlowNameServer();
    // Answers whatever it still holds, then stops.
    ~TSlowNameServer();
    TSlowNameServer(const TSlowNameServer&) = delete;
    TSlowNameServer& operator=(const TSlowNameServer&) = delete;

    bool Listening() const { return FSocket >= 0; }
    void Hold();
    // Answers every held query and answers later ones at once.
    void Release();

    // Queries held back now, and queries seen and answered so far.
    int Held() const;
    int Asked() const;
    int Answered() const;
    // Waits until at least count queries are held; false after boundMs.
    bool WaitHeld(int count, int boundMs) const;

    // The name this server gives the address a.b.c.d.
    static std::string NameOf(const std::string& dotted);

private:
    struct Query {
        sockaddr_in From;
        std::vector<unsigned char> Answer;
    };
    void Serve();
    void Send(const Query& query);

    int FSocket = -1;
    int FWake = -1;
    mutable std::mutex FMutex;
    mutable std::condition_variable FChanged;
    bool FHolding = false;
    bool FStopping = false;
    std::vector<Query> FHeld;
    int FAsked = 0;
    int FAnswered = 0;
    std::thread FThread;
};
