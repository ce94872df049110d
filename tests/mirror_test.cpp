// SPDX-License-Identifier: MIT
// The mirror as the device sees it: the output tag follows the monitored tag,
// byte for byte, through the simulator's own reporting and polling threads,
// and keeps the last value when a signal ends the program.
#include <csignal>
#include <string>

#include <sys/resource.h>

#include "harness.h"
#include "text_codec.h"

namespace tests {
namespace {

using mirror = mirror_run;

TEST_F(mirror, output_follows_0_1_0_1_and_any_8_byte_value_bit_for_bit)
{
    ASSERT_NO_FATAL_FAILURE(start_mirror());
    const struct {
        const char *set;
        const char *bytes;
    } cases[] = {
        {"1", "0100000000000000"},
        {"0", "0000000000000000"},
        {"1", "0100000000000000"},
        {"2", "0200000000000000"},
        {"-1", "ffffffffffffffff"},
        {"float:1.0", "000000000000f03f"},
        {"bytes:0123456789abcdef", "0123456789abcdef"},
        {"-9223372036854775808", "0000000000000080"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string("Valve = ") + c.set);
        sim({"set", "Valve", c.set});
        wait_for_bytes("BoardIO:DO.1", c.bytes);
    }
    for (const std::string &event : events())
        EXPECT_EQ(event.find("fault"), std::string::npos) << event;
}

TEST_F(mirror, report_made_before_the_handle_is_stored_is_lost)
{
    // Valve starts at 7 and is reported from inside its own open, before
    // quorvel_open has returned its handle.
    ASSERT_NO_FATAL_FAILURE(start_mirror(
        "Valve", "BoardIO:DO.1", {"QUORVEL_SIM_REPORT_IN_OPEN=1", "QUORVEL_SIM_INPUTS=Valve=7"}));
    const std::string record = sim({"call", handle("BoardIO:DO.1"), "bytes:ffffffffffffffff"});
    EXPECT_EQ(record.substr(0, 18), "0 0000000000000000");
}

TEST_F(mirror, output_gets_zero_until_a_report_and_keeps_its_last_value_past_a_signal)
{
    const rlimit no_core{0, 0}; // SIGQUIT dumps core: none belongs in the build tree
    setrlimit(RLIMIT_CORE, &no_core);
    // Names only the SDK may read; a signal the SDK takes for itself, which
    // ends nothing once handled; a systemd that is not there, or whose socket
    // cannot be named, which changes nothing.
    const std::string in = "%n%s \xff", out = "DO %s 1";
    for (const int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        ASSERT_NO_FATAL_FAILURE(start_mirror(in, out, {"QUORVEL_SIM_INPUTS=" + in,
            "QUORVEL_SIM_OUTPUTS=" + out + "=1", "NOTIFY_SOCKET=" + directory +
            (signal == SIGQUIT ? "/" + std::string(120, 'x') : "/nobody.sock"),
            "QUORVEL_SIM_HANDLE_SIGNAL=" + std::to_string(SIGUSR1)}));
        wait_for_events("output \"" + quorvel_sim::escape(out) + "\" 1 -> 0");
        sim({"set", in, "2"});
        wait_for_bytes(out, "0200000000000000");
        kill(pid, SIGUSR1);
        sim({"set", in, "3"});
        wait_for_bytes(out, "0300000000000000");
        const std::vector<std::string> before = events();
        kill(pid, signal);
        const exit_status status = finish();
        EXPECT_FALSE(status.exited);
        EXPECT_EQ(status.signal, signal);
        EXPECT_EQ(standard_output(), "");
        EXPECT_EQ(events(), before) << "on the way out, the output got a value or the SDK stopped";
        next_case();
    }
}

} // namespace
} // namespace tests
