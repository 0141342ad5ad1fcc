// Resolution of one found computer's host name: a reverse look-up on a thread
// of its own, then the name is written into the computer's list entry.
#pragma once

#include "window/Thread.h"

#include <atomic>
#include <cstdint>
#include <string>

class TForm1;

class TDNSSolve : public TThread {
public:
    // Created suspended; set the fields, then Resume().
    explicit TDNSSolve(TForm1* form);
    ~TDNSSolve() override;

    int32_t EntryIndex = 0;     // the entry's position when it was appended
    std::string AddressText;    // dotted address as pinged
    std::string ResolvedName;   // set by Execute

    // GUI thread: writes the name into the entry, if it is still the same one.
    void UpdateListItem();

    // Resolvers created so far and those not yet destroyed, for tests.
    static int Created() noexcept { return FCreated; }
    static int Alive() noexcept { return FAlive; }

protected:
    void Execute() override;

private:
    TForm1* FForm;
    static std::atomic<int> FCreated;
    static std::atomic<int> FAlive;
};
