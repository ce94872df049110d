// SPDX-License-Identifier: MIT
// The update callback called directly with chosen handles and records, the
// whole 64-byte record read back after each call.
#include <string>

#include "harness.h"

namespace tests {
namespace {

using callback = mirror_run;

// The record as the simulator fills it: the value, then 56 bytes of 0xa5.
std::string fill(const std::string &value_hex)
{
    std::string out = value_hex;
    for (std::size_t i = 0; i < 56; ++i)
        out += "a5";
    return out;
}

TEST_F(callback, monitored_report_is_kept_and_handed_to_the_output)
{
    ASSERT_NO_FATAL_FAILURE(start_mirror());
    const std::string valve = handle("Valve");
    const std::string output = handle("BoardIO:DO.1");

    // A report leaves its record as it was.
    EXPECT_EQ(sim({"call", valve, "5"}), "0 " + fill("0500000000000000"));
    EXPECT_EQ(sim({"call", output, "bytes:ffffffffffffffff"}), "0 " + fill("0500000000000000"));

    // Two reports in a row: only the latest is handed on, as often as asked.
    sim({"call", valve, "1"});
    sim({"call", valve, "bytes:1122334455667788"});
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(sim({"call", output, "0"}), "0 " + fill("1122334455667788"));
}

TEST_F(callback, unknown_handle_changes_nothing)
{
    ASSERT_NO_FATAL_FAILURE(start_mirror());
    sim({"call", handle("Valve"), "3"});
    for (const std::string &unknown : {std::string("999"), handle("BoardIO:DO.2")}) {
        SCOPED_TRACE("handle " + unknown);
        EXPECT_EQ(sim({"call", unknown, "bytes:0102030405060708"}),
                  "0 " + fill("0102030405060708"));
    }
    // The SDK never sends a null record for an open tag; for any other handle
    // the record must not even be looked at.
    EXPECT_EQ(sim({"call", "999", "null"}), "0 null");
    EXPECT_EQ(sim({"call", handle("BoardIO:DO.1"), "0"}), "0 " + fill("0300000000000000"));
}

TEST_F(callback, same_tag_twice_is_only_ever_the_monitored_tag)
{
    ASSERT_NO_FATAL_FAILURE(start_mirror("BoardIO:DO.1", "BoardIO:DO.1"));
    const std::string both = handle("BoardIO:DO.1");
    // Taken as a report each time: were it handed back, the second call's
    // record would come back holding 9.
    EXPECT_EQ(sim({"call", both, "9"}), "0 " + fill("0900000000000000"));
    EXPECT_EQ(sim({"call", both, "4"}), "0 " + fill("0400000000000000"));
}

} // namespace
} // namespace tests
