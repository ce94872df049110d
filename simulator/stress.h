// SPDX-License-Identifier: MIT
// Load on the program's callback beyond what a device makes.
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

// A torn-read hunt: reporter threads hand the program values whose two halves
// check each other, while reader threads ask for the output value and check
// every answer. Half of one value joined to half of another fails the check.
// Runs reporters and readers at once, each making `calls` callbacks.
// False if the threads could not be started.
bool run_stress(quorvel_tag monitored, quorvel_tag output, unsigned reporters, unsigned readers,
                std::uint64_t calls, stress_result &result);

// Calls the callback from another thread, as fast as it can, for `ms`
// milliseconds: every tag's handle with the tag's current value, and a
// handle no tag has. Returns once that thread has ended.
void run_callback_storm(unsigned ms);

} // namespace quorvel_sim

#endif
