// SPDX-License-Identifier: MIT
// What the SDK may throw at the callback: calls before a handle is stored,
// and many of its threads at once.
#include <string>

#include "harness.h"

namespace tests {
namespace {

using sdk_faults = mirror_run;

TEST_F(sdk_faults, callbacks_during_the_opens_are_ignored_until_the_handle_is_stored)
{
    // For 200 ms inside each open, another thread calls back with every
    // handle, the one being opened included.
    start_mirror("Valve", "BoardIO:DO.1",
                 {"QUORVEL_SIM_OPEN_STORM_MS=200", "QUORVEL_SIM_OUTPUTS=BoardIO:DO.1=7"});
    wait_for_events("output \"BoardIO:DO.1\" 7 -> 0");
    sim({"set", "Valve", "1"});
    wait_for_bytes("BoardIO:DO.1", "0100000000000000");
    for (const std::string &event : events())
        EXPECT_EQ(event.find("fault"), std::string::npos) << event;
}

TEST_F(sdk_faults, many_threads_reporting_and_asking_at_once_never_tear)
{
    start_mirror();
    EXPECT_EQ(sim({"stress", "Valve", "BoardIO:DO.1", "4", "4", "500000"}),
              "reports=2000000 handbacks=2000000 torn=0");
    // Afterwards the mirror still follows the device.
    sim({"set", "Valve", "1"});
    wait_for_bytes("BoardIO:DO.1", "0100000000000000");
}

} // namespace
} // namespace tests
