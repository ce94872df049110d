// SPDX-License-Identifier: MIT
// The command line: anything but two tag names gets the usage text and 255,
// without the SDK ever being touched.
#include <string>
#include <vector>

#include "harness.h"

namespace tests {
namespace {

using command_line = mirror_run;

TEST_F(command_line, wrong_argument_counts_print_usage_and_exit_255)
{
    const std::vector<std::vector<std::string>> cases = {
        {}, {"Valve"}, {"Valve", "BoardIO:DO.1", "extra"}, {"a", "b", "c", "d"}};
    for (const auto &arguments : cases) {
        SCOPED_TRACE(std::to_string(arguments.size()) + " argument(s)");
        start(arguments);
        const exit_status status = finish();
        EXPECT_TRUE(status.exited);
        EXPECT_EQ(status.code, 255);
        EXPECT_EQ(standard_output(), usage_text(under_test().tag_mirror));
        EXPECT_TRUE(events().empty()) << "the SDK was called";
        next_case();
    }
}

TEST_F(command_line, no_program_name_prints_usage_with_a_fallback_name)
{
    if (!under_test().launcher.empty())
        GTEST_SKIP() << "an emulator always hands the program its own argv[0]";
    start_without_argv();
    const exit_status status = finish();
    EXPECT_TRUE(status.exited);
    EXPECT_EQ(status.code, 255);
    EXPECT_EQ(standard_output(), usage_text("tag-mirror"));
}

} // namespace
} // namespace tests
