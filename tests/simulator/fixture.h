// SPDX-License-Identifier: MIT
// The simulator loaded in this process, with the test playing the program:
// its callback is a test double whose behaviour each test picks. Every test
// gets its own directory for the control socket and the event log, and the
// process's standard output, which belongs to the program, must stay empty.
#ifndef QUORVEL_SIM_TESTS_FIXTURE_H
#define QUORVEL_SIM_TESTS_FIXTURE_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "control_client.h"
#include "process.h"
#include "quorvel.h"

namespace simulator_tests {

// What the test's callback does for each call; by default it only counts.
// Reached through the configuration record, as the program's is.
// Set it before start(): the simulator's threads read it.
using callback_behaviour = std::function<int(quorvel_tag tag, void *record)>;
extern callback_behaviour behaviour;
// How often the callback has been called since the test began.
extern std::atomic<unsigned> callbacks;

class simulator : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // quorvel_init with the test's callback; the settings come from the
    // environment, as they do for the program.
    int start();
    // One request line, as the control socket reads it; the reply line.
    std::string request(const std::string &line);
    // The event log's lines, time stamps stripped.
    std::vector<std::string> events() const;
    // What `call` printed on one of this process's descriptors (1 or 2).
    std::string printed_on(int fd, const std::function<void()> &call);

    std::string directory;
    std::string socket_path;
    quorvel_sim::control_connection control;

private:
    // A file in the test's directory that no other process can name.
    int unnamed_file() const;
    int saved_stdout = -1;
    int captured_stdout = -1;
};

// Reads a file descriptor's whole contents, from its start.
std::string contents(int fd);

using tests::eventually;

} // namespace simulator_tests

#endif
