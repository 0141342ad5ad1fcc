// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Benchmark driver. Prints "key value" lines; bench/run.sh collects them and
// "table" turns them into medians with min and max.
//
//   scanvet_bench sweep --preset 0|1|2 --label NAME [--one-at-a-time [--rtt-timeout MS]] [--gui-timer]
//                       [--prefill N] [--prefill-lines N] [--append] [--all-lines]
//                       [--block-ms MS [--block-after-ms MS]]
//       One range test 1..254 of the lab LAN in the real window, as a click on
//       "Run test" with the given speed preset. --one-at-a-time ticks "Ping
//       one address at a time" and learns the floor by separate echo passes;
//       else the window sweeps, its floor is 254 requests at the pace and one
//       time-out, and its requests are timed as they leave (sendto). --prefill N first puts N entries of other ranges
//       into the list of found computers, --prefill-lines N that many lines
//       on the result sheet (append mode, else the click would clear them).
//       --append ticks "Append lines", --all-lines unticks "Show only correct
//       replies". --block-ms blocks the GUI thread that long, from a timer
//       shortly after the click. Only inside lab/netlab.sh.
//   scanvet_bench soak --label NAME [--overshoot PERCENT] [--one-at-a-time]
//       LAN-preset tests back to back in the real window, lines appended and
//       every reply shown, until the result sheet has passed its line cap by
//       PERCENT (default 10). Only inside lab/netlab.sh.
//   scanvet_bench startup --exe PATH --label NAME [--reps N]
//       Process start to the window shown, for the program entry in PATH.
//   scanvet_bench run --label NAME [--floor-ms MS] [--stdout FILE] -- COMMAND...
//       The whole process of COMMAND: its time and peak memory.
//   scanvet_bench table FILE...
//   scanvet_bench overview FILE...
//       The rows beside fping and their floors, from the same lines.
//   scanvet_bench compare BEFORE AFTER
//       The rows both raw files have, side by side.
#include "BenchModes.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "sweep") return sweep(argc, argv);
    if (mode == "startup") return startup(argc, argv);
    if (mode == "soak") return soak(argc, argv);
    if (mode == "table") return table(argc, argv);
    if (mode == "compare") return compare(argc, argv);
    if (mode == "overview") return overview(argc, argv);
    if (mode == "run") return runProcess(argc, argv);
    std::fprintf(stderr, "usage: scanvet_bench sweep|soak|startup|run|table|overview|compare ...\n");
    return 2;
}
