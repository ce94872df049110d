// SPDX-License-Identifier: MIT
// Whatever a user or a service file hands the program: names with format
// directives, bytes that are not UTF-8, the longest argument Linux allows,
// and a standard output that is closed or full.
#include <string>
#include <vector>

#include "harness.h"
#include "text_codec.h"

namespace tests {
namespace {

using bad_input = mirror_run;

TEST_F(bad_input, odd_tag_names_reach_the_sdk_unchanged_and_print_whole)
{
    // One argument may be at most 128 KiB long, its terminating NUL included.
    const std::string longest(128 * 1024 - 1, 'L');
    const std::vector<std::string> names = {
        "", "%s%n%x%p%", "\xff\xfe\x80 is not UTF-8", "Tank 1\tlevel\\n", longest};
    for (const std::string &name : names) {
        SCOPED_TRACE("name " + quorvel_sim::escape(name.substr(0, 40)));
        start({name, "BoardIO:DO.1"});
        const exit_status status = finish();
        EXPECT_TRUE(status.exited);
        EXPECT_EQ(status.code, 252);
        EXPECT_TRUE(standard_output() == "fail to open tag: " + name + "\n");
        const std::vector<std::string> calls = events();
        ASSERT_EQ(calls.size(), 3u);
        EXPECT_TRUE(calls[1] == "open \"" + quorvel_sim::escape(name) + "\" reserved=0 -> 0");
        next_case();
    }
}

TEST_F(bad_input, closed_or_full_standard_output_keeps_the_exit_status)
{
    const struct {
        std::vector<std::string> arguments;
        std::vector<std::string> environment;
        int code;
        std::size_t sdk_calls; // none; init; init, open and uninit
    } cases[] = {
        {{"Valve"}, {}, 255, 0},
        {{"Valve", "BoardIO:DO.1"}, {"QUORVEL_SIM_INIT_RESULT=5"}, 255, 1},
        {{"NoSuchTag", "BoardIO:DO.1"}, {}, 252, 3},
    };
    for (const stdout_mode out : {stdout_mode::closed, stdout_mode::full}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(out == stdout_mode::closed ? "closed" : "full") +
                         " standard output, exit " + std::to_string(c.code));
            start(c.arguments, c.environment, out);
            const exit_status status = finish();
            EXPECT_TRUE(status.exited) << "ended by signal " << status.signal;
            EXPECT_EQ(status.code, c.code);
            // A message that cannot be written changes nothing the SDK sees.
            EXPECT_EQ(events().size(), c.sdk_calls);
            next_case();
        }
    }
}

} // namespace
} // namespace tests
