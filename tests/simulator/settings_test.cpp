// SPDX-License-Identifier: MIT
// The simulator's settings, its tag table and its start and stop.
#include <filesystem>
#include <iterator>
#include <string>

#include "fixture.h"
#include "sim_errors.h"

namespace simulator_tests {
namespace {

std::ptrdiff_t thread_count()
{
    return std::distance(std::filesystem::directory_iterator("/proc/self/task"), {});
}

TEST_F(simulator, bad_settings_refuse_to_start_and_say_why)
{
    const struct {
        const char *variable;
        const char *value;
        const char *complaint;
    } cases[] = {
        {"QUORVEL_SIM_CYCLE_MS", "0", "QUORVEL_SIM_CYCLE_MS='0': expected a whole number"},
        {"QUORVEL_SIM_CYCLE_MS", "5ms", "QUORVEL_SIM_CYCLE_MS='5ms'"},
        {"QUORVEL_SIM_INIT_RESULT", "99999999999", "QUORVEL_SIM_INIT_RESULT='99999999999'"},
        {"QUORVEL_SIM_INPUTS", "Valve,,Pump", "QUORVEL_SIM_INPUTS='Valve,,Pump'"},
        {"QUORVEL_SIM_OUTPUTS", "Lamp=on", "QUORVEL_SIM_OUTPUTS: tag 'Lamp'"},
        {"QUORVEL_SIM_OUTPUTS", "Lamp=bytes:12", "bytes: takes exactly 16 hex digits"},
        {"QUORVEL_SIM_SOCKET", "", "a socket path needs 1 to"},
        {"QUORVEL_SIM_EVENT_LOG", "/nonexistent/dir/log", "cannot open"},
        {"QUORVEL_SIM_HANDLE_SIGNAL", "9", "QUORVEL_SIM_HANDLE_SIGNAL=9: cannot handle"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.variable) + "=" + c.value);
        const std::string saved_socket = socket_path;
        setenv(c.variable, c.value, 1);
        int result = 0;
        const std::string complaint = printed_on(2, [&] { result = start(); });
        EXPECT_LT(result, 0);
        // Said by the SDK inside the program's process, and said to be the stand-in.
        EXPECT_EQ(complaint.rfind("libQuorvel.so (simulator): ", 0), 0u) << complaint;
        EXPECT_NE(complaint.find(c.complaint), std::string::npos) << complaint;
        EXPECT_EQ(quorvel_open("Valve", 0), 0u) << "a refused start opens nothing";
        unsetenv(c.variable);
        setenv("QUORVEL_SIM_SOCKET", saved_socket.c_str(), 1);
    }
}

TEST_F(simulator, tag_table_gives_stable_distinct_handles)
{
    setenv("QUORVEL_SIM_INPUTS", "Pressure=float:1.5,Valve=3", 1);
    setenv("QUORVEL_SIM_OUTPUTS", "Lamp", 1);
    ASSERT_EQ(start(), 0);
    const quorvel_tag valve = quorvel_open("Valve", 0);
    EXPECT_NE(valve, 0u);
    EXPECT_EQ(quorvel_open("Valve", 0), valve);
    EXPECT_NE(quorvel_open("Pressure", 0), 0u);
    EXPECT_NE(quorvel_open("Pressure", 0), valve);
    EXPECT_NE(quorvel_open("Lamp", 0), 0u);
    EXPECT_NE(quorvel_open("BoardIO:DO.7", 0), 0u);
    for (const char *unknown : {"", "valve", "BoardIO:DO.8", "Valve "})
        EXPECT_EQ(quorvel_open(unknown, 0), 0u) << '"' << unknown << '"';
    EXPECT_EQ(quorvel_open(nullptr, 0), 0u);
    EXPECT_EQ(request("get Valve"), "ok 3 0300000000000000");
    EXPECT_EQ(request("get Pressure"), "ok 4609434218613702656 000000000000f83f");
}

TEST_F(simulator, start_twice_is_refused_and_stop_leaves_no_thread_behind)
{
    const std::ptrdiff_t threads_before = thread_count();
    ASSERT_EQ(start(), 0);
    int again = 0;
    const std::string complaint = printed_on(2, [&] { again = start(); });
    EXPECT_EQ(again, quorvel_sim::init_error_already_running);
    EXPECT_NE(complaint.find("already running"), std::string::npos) << complaint;
    ASSERT_NE(quorvel_open("BoardIO:DO.0", 0), 0u);
    EXPECT_EQ(request("get BoardIO:DO.0"), "ok 0 0000000000000000");
    EXPECT_TRUE(eventually([] { return callbacks.load() >= 3; }))
        << "the open output tag is not being polled";
    EXPECT_GT(thread_count(), threads_before);

    EXPECT_EQ(quorvel_uninit(), 0);
    // No thread of the simulator's is left that could call back. A joined
    // thread leaves /proc/self/task a moment after its joiner wakes.
    EXPECT_TRUE(eventually([&] { return thread_count() == threads_before; }))
        << thread_count() << " threads, " << threads_before << " before the start";
    EXPECT_NE(access(socket_path.c_str(), F_OK), 0) << "the socket file outlived the simulator";
    EXPECT_EQ(quorvel_uninit(), -1) << "stopped twice";
}

} // namespace
} // namespace simulator_tests
