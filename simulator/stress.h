// SPDX-License-Identifier: MIT
// A torn-read hunt: reporter threads hand the program values whose two halves
// check each other, while reader threads ask for the output value and check
// every answer. Half of one value joined to half of another fails the check.
#ifndef QUORVEL_SIM_STRESS_H
#define QUORVEL_SIM_STRESS_H

#include <cstdint>

#include "quorvel.h"

namespace quorvel_sim {

struct stress_result {
    std::uint64_t reports;
    std::uint64_t handbacks;
    std::uint64_t torn;
};

// Runs reporters and readers at once, each making `calls` callbacks.
// False if the threads could not be started.
bool run_stress(quorvel_tag monitored, quorvel_tag output, unsigned reporters, unsigned readers,
                std::uint64_t calls, stress_result &result);

} // namespace quorvel_sim

#endif
