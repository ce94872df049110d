// SPDX-License-Identifier: MIT
// One run of tag-mirror against its own simulator: a private directory with
// the control socket, the event log and the captured output, torn down with
// the process whatever the test's outcome.
#ifndef TAG_MIRROR_TESTS_HARNESS_H
#define TAG_MIRROR_TESTS_HARNESS_H

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "control_client.h"
#include "process.h"

namespace tests {

// Set once by main from the command line: the binary under test and the
// launcher (an emulator and its options) that runs it, if any.
struct target {
    std::string tag_mirror;
    std::string library_path; // where the simulator's libQuorvel.so is
    std::vector<std::string> launcher;
    // How long to wait for something that should happen; only a failing
    // test ever waits this long.
    std::chrono::milliseconds patience{10000};
};
target &under_test();

// The usage text as the program prints it for a program name.
std::string usage_text(const std::string &program);

class mirror_run : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Ends this run and starts afresh, for tests that walk through cases.
    void next_case();

    // Starts tag-mirror with these arguments and simulator settings. A
    // program a test started before is ended first.
    void start(const std::vector<std::string> &arguments,
               const std::vector<std::string> &environment = {},
               stdout_mode out = stdout_mode::file);
    // Starts it with no argv at all (not even a program name).
    void start_without_argv();
    // Waits for the program to end; fails the test, and kills it, if it does not.
    exit_status finish();
    // Starts the program with both tags opening and waits until both handles
    // are in place (the output tag's open has been logged). Call it inside
    // ASSERT_NO_FATAL_FAILURE: a test must not go on when it failed.
    void start_mirror(const std::string &monitored = "Valve",
                      const std::string &output = "BoardIO:DO.1",
                      const std::vector<std::string> &environment = {});

    std::string standard_output() const;
    std::string standard_error() const;
    // What the program wrote so far to the terminal it was started on
    // (stdout_mode::terminal).
    std::string terminal_output();

    // The events logged so far, time stamps stripped.
    std::vector<std::string> events() const;
    // Waits until `count` events start with `prefix`; fails the test if they
    // do not come.
    void wait_for_events(const std::string &prefix, std::size_t count = 1);

    // One control command (raw arguments, escaped here); returns what follows
    // "ok", failing the test on an error reply or on none within the
    // patience, or within the time given for a long command.
    std::string sim(const std::vector<std::string> &arguments,
                    std::chrono::milliseconds within = std::chrono::milliseconds::zero());
    // The tag's 8 bytes in hex, memory order.
    std::string value_bytes(const std::string &tag);
    // Waits until the tag holds these 8 bytes (hex, memory order).
    void wait_for_bytes(const std::string &tag, const std::string &hex);
    // The handle the simulator gives the tag, as the control socket writes it.
    std::string handle(const std::string &tag);

    pid_t pid = -1;
    std::string directory;

private:
    void launch(spawn_request request);
    std::string path(const char *name) const;
    quorvel_sim::control_connection control;
    int terminal = -1; // the pseudo-terminal's master side
};

} // namespace tests

#endif
