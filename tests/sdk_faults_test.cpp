// SPDX-License-Identifier: MIT
// What the SDK may throw at the callback: calls while the tags are being
// opened, and many of its threads at once.
#include <string>

#include "harness.h"

namespace tests {
namespace {

using sdk_faults = mirror_run;

TEST_F(sdk_faults, a_report_made_while_the_output_tag_opens_reaches_the_output)
{
    // For 200 ms inside each open another thread calls back with every
    // handle, the one being opened included, and with each tag's value:
    // Valve's 7 is reported while the output tag is being opened. Valve
    // never changes afterwards, so only a handle stored the moment its open
    // returned can catch it; the output's own handle, not stored yet, must
    // be ignored.
    ASSERT_NO_FATAL_FAILURE(start_mirror("Valve", "BoardIO:DO.1",
                                         {"QUORVEL_SIM_OPEN_STORM_MS=200",
                                          "QUORVEL_SIM_INPUTS=Valve=7",
                                          "QUORVEL_SIM_OUTPUTS=BoardIO:DO.1=9"}));
    wait_for_bytes("BoardIO:DO.1", "0700000000000000");
    for (const std::string &event : events())
        EXPECT_EQ(event.find("fault"), std::string::npos) << event;
}

TEST_F(sdk_faults, many_threads_reporting_and_asking_at_once_never_tear)
{
    ASSERT_NO_FATAL_FAILURE(start_mirror());
    // Seconds at most, even under ThreadSanitizer or qemu.
    EXPECT_EQ(sim({"stress", "Valve", "BoardIO:DO.1", "4", "4", "500000"}, std::chrono::minutes(2)),
              "reports=2000000 handbacks=2000000 torn=0");
}

} // namespace
} // namespace tests
