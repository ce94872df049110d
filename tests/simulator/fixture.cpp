// SPDX-License-Identifier: MIT
#include "fixture.h"

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

#include "test_files.h"

namespace simulator_tests {

std::atomic<unsigned> callbacks{0};
callback_behaviour behaviour;

namespace {

int test_callback(quorvel_tag tag, std::uintptr_t, void *record, std::uintptr_t)
{
    ++callbacks;
    return behaviour ? behaviour(tag, record) : 0;
}

// The SDK may keep its address, so it lives as long as the process.
const quorvel_config config = {16, 0, 0, test_callback};

const char *const settings[] = {"QUORVEL_SIM_SOCKET",         "QUORVEL_SIM_CYCLE_MS",
                                "QUORVEL_SIM_INPUTS",         "QUORVEL_SIM_OUTPUTS",
                                "QUORVEL_SIM_INIT_RESULT",    "QUORVEL_SIM_EVENT_LOG",
                                "QUORVEL_SIM_REPORT_IN_OPEN", "QUORVEL_SIM_OPEN_STORM_MS",
                                "QUORVEL_SIM_HANDLE_SIGNAL"};

} // namespace

std::string contents(int fd)
{
    std::string text;
    char block[4096];
    ssize_t n;
    lseek(fd, 0, SEEK_SET);
    while ((n = read(fd, block, sizeof block)) > 0)
        text.append(block, static_cast<std::size_t>(n));
    return text;
}

void simulator::SetUp()
{
    directory = tests::make_test_directory("quorvel-sim-test", "sim.sock");
    ASSERT_FALSE(directory.empty());
    socket_path = directory + "/sim.sock";
    for (const char *variable : settings)
        unsetenv(variable);
    setenv("QUORVEL_SIM_SOCKET", socket_path.c_str(), 1);
    setenv("QUORVEL_SIM_CYCLE_MS", "1", 1);
    callbacks = 0;
    behaviour = nullptr;
    std::fflush(stdout);
    captured_stdout = unnamed_file();
    saved_stdout = dup(STDOUT_FILENO);
    ASSERT_TRUE(captured_stdout >= 0 && saved_stdout >= 0);
    dup2(captured_stdout, STDOUT_FILENO);
}

void simulator::TearDown()
{
    quorvel_sim::control_close(control);
    quorvel_uninit();
    std::fflush(stdout);
    dup2(saved_stdout, STDOUT_FILENO);
    close(saved_stdout);
    EXPECT_EQ(contents(captured_stdout), "") << "standard output belongs to the program";
    close(captured_stdout);
    behaviour = nullptr;
    if (directory.empty())
        return; // SetUp made none
    tests::remove_test_directory(directory, {"sim.sock", "events.log"});
}

int simulator::unnamed_file() const
{
    std::string path = directory + "/capture.XXXXXX";
    const int fd = mkstemp(&path[0]);
    unlink(path.c_str());
    return fd;
}

int simulator::start()
{
    return quorvel_init(2, &config, 0);
}

std::string simulator::request(const std::string &line)
{
    if (control.fd < 0) {
        EXPECT_TRUE(quorvel_sim::control_connect(control, socket_path)) << socket_path;
    }
    std::string reply;
    EXPECT_EQ(quorvel_sim::control_request(control, line, reply, 10000),
              quorvel_sim::request_result::answered)
        << line;
    return reply;
}

std::vector<std::string> simulator::events() const
{
    return tests::logged_events(directory + "/events.log");
}

std::string simulator::printed_on(int fd, const std::function<void()> &call)
{
    std::fflush(nullptr);
    const int file = unnamed_file();
    const int saved = dup(fd);
    dup2(file, fd);
    call();
    std::fflush(nullptr);
    dup2(saved, fd);
    close(saved);
    std::string text = contents(file);
    close(file);
    return text;
}

} // namespace simulator_tests
