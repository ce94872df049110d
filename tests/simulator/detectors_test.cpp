// SPDX-License-Identifier: MIT
// What the simulator tells about the program's callback is only worth as much
// as its detectors: each is shown a callback that is wrong in its own way.
#include <algorithm>
#include <cstring>
#include <string>

#include "fixture.h"

namespace simulator_tests {
namespace {

bool logged(const std::vector<std::string> &events, const std::string &event)
{
    return std::find(events.begin(), events.end(), event) != events.end();
}

TEST_F(simulator, a_callback_writing_past_the_value_is_logged_as_a_fault)
{
    // Byte 8 for handle 1, one byte too far; nothing wrong for handle 2.
    behaviour = [](quorvel_tag tag, void *record) {
        if (tag == 1)
            static_cast<unsigned char *>(record)[8] = 0;
        return 0;
    };
    setenv("QUORVEL_SIM_EVENT_LOG", (directory + "/events.log").c_str(), 1);
    ASSERT_EQ(start(), 0);
    request("call 1 5");
    request("call 2 5");
    EXPECT_TRUE(logged(events(), "fault callback for handle 1 wrote past the 8-byte value"));
    EXPECT_FALSE(logged(events(), "fault callback for handle 2 wrote past the 8-byte value"));
}

TEST_F(simulator, stress_counts_every_torn_hand_back)
{
    // Every other hand-back is the high half of one value joined to the low
    // half of another; the rest are whole (zero is what the program hands
    // back before any report).
    std::atomic<unsigned> handbacks{0};
    behaviour = [&](quorvel_tag tag, void *record) {
        if (tag == 2 && handbacks++ % 2 == 0) {
            const std::uint64_t torn = 0x00000001'00000000;
            std::memcpy(record, &torn, sizeof torn);
        } else if (tag == 2) {
            std::memset(record, 0, 8);
        }
        return 0;
    };
    ASSERT_EQ(start(), 0);
    EXPECT_EQ(request("stress Valve BoardIO:DO.0 2 3 1000"),
              "ok reports=2000 handbacks=3000 torn=1500");
}

TEST_F(simulator, a_report_from_inside_open_comes_before_open_returns)
{
    std::atomic<bool> open_returned{false};
    std::atomic<quorvel_tag> reported_tag{0};
    std::atomic<std::uint64_t> reported_value{0};
    behaviour = [&](quorvel_tag tag, void *record) {
        if (!open_returned) {
            std::uint64_t value;
            std::memcpy(&value, record, sizeof value);
            reported_value = value;
            reported_tag = tag;
        }
        return 0;
    };
    setenv("QUORVEL_SIM_REPORT_IN_OPEN", "1", 1);
    setenv("QUORVEL_SIM_INPUTS", "Valve=7", 1);
    ASSERT_EQ(start(), 0);
    const quorvel_tag valve = quorvel_open("Valve", 0);
    open_returned = true;
    EXPECT_NE(valve, 0u);
    EXPECT_EQ(reported_tag.load(), valve);
    EXPECT_EQ(reported_value.load(), 7u);
}

TEST_F(simulator, call_answers_with_what_the_callback_returned)
{
    behaviour = [](quorvel_tag tag, void *) { return tag == 1 ? 42 : -7; };
    ASSERT_EQ(start(), 0);
    EXPECT_EQ(request("call 1 0").substr(0, 6), "ok 42 ");
    EXPECT_EQ(request("call 3 0").substr(0, 6), "ok -7 ");
    EXPECT_EQ(request("call 999 null"), "ok -7 null");
}

} // namespace
} // namespace simulator_tests
