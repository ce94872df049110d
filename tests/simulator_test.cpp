// SPDX-License-Identifier: MIT
// The simulator on its own, loaded in-process with a callback of the test's:
// its settings, its tag table and its control socket, bad input included.
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "control_client.h"
#include "quorvel.h"
#include "sim_errors.h"

namespace {

std::atomic<unsigned> callbacks{0};

int count_calls(quorvel_tag, std::uintptr_t, void *, std::uintptr_t)
{
    ++callbacks;
    return 0;
}

const quorvel_config config = {16, 0, 0, count_calls};

class simulator : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quorvel-sim-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
        socket_path = directory + "/sim.sock";
        setenv("QUORVEL_SIM_SOCKET", socket_path.c_str(), 1);
        setenv("QUORVEL_SIM_CYCLE_MS", "1", 1);
        ::testing::internal::CaptureStdout();
    }

    void TearDown() override
    {
        if (control >= 0)
            close(control);
        quorvel_uninit();
        for (const char *variable : {"QUORVEL_SIM_SOCKET", "QUORVEL_SIM_CYCLE_MS",
                                     "QUORVEL_SIM_INPUTS", "QUORVEL_SIM_OUTPUTS",
                                     "QUORVEL_SIM_INIT_RESULT", "QUORVEL_SIM_EVENT_LOG"})
            unsetenv(variable);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "")
            << "standard output belongs to the program";
        unlink(socket_path.c_str());
        rmdir(directory.c_str());
    }

    std::string request(const std::string &line)
    {
        if (control < 0)
            control = quorvel_sim::control_connect(socket_path);
        std::string reply;
        EXPECT_TRUE(quorvel_sim::control_request(control, line, reply)) << line;
        return reply;
    }

    std::string directory;
    std::string socket_path;
    int control = -1;
};

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
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.variable) + "=" + c.value);
        const std::string saved_socket = socket_path;
        setenv(c.variable, c.value, 1);
        ::testing::internal::CaptureStderr();
        const int result = quorvel_init(2, &config, 0);
        const std::string complaint = ::testing::internal::GetCapturedStderr();
        EXPECT_LT(result, 0);
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
    ASSERT_EQ(quorvel_init(2, &config, 0), 0);
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

TEST_F(simulator, start_twice_is_refused_and_stop_ends_the_callbacks)
{
    ASSERT_EQ(quorvel_init(2, &config, 0), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(quorvel_init(2, &config, 0), quorvel_sim::init_error_already_running);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("already running"), std::string::npos);
    ASSERT_NE(quorvel_open("BoardIO:DO.0", 0), 0u);
    // The output is polled every millisecond.
    const unsigned before = callbacks.load();
    for (int i = 0; i < 5000 && callbacks.load() < before + 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GE(callbacks.load(), before + 3) << "the output tag is not being polled";
    EXPECT_EQ(quorvel_uninit(), 0);
    const unsigned after = callbacks.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(callbacks.load(), after);
    EXPECT_NE(access(socket_path.c_str(), F_OK), 0) << "the socket file outlived the simulator";
}

TEST_F(simulator, control_rejects_bad_requests_and_keeps_serving)
{
    ASSERT_EQ(quorvel_init(2, &config, 0), 0);
    const std::string valve = std::to_string(quorvel_open("Valve", 0));
    const struct {
        std::string request;
        const char *reply;
    } cases[] = {
        {"bogus", "error: unknown verb 'bogus'"},
        {"set Valve", "error: set takes 2 argument(s)"},
        {"set Nothing 1", "error: no tag named 'Nothing'"},
        {"set Valve 1.5", "error: expected a 64-bit decimal integer"},
        {"set Valve 99999999999999999999", "error: expected a 64-bit decimal integer"},
        {"set Valve bytes:xyz", "error: bytes: takes exactly 16 hex digits"},
        {"set Valve float:", "error: expected a value"},
        {"get Val\\x4", "error: malformed escape"},
        {"call 0 1", "error: expected a non-zero handle"},
        {"call -1 1", "error: expected a non-zero handle"},
        {"call " + valve + " null", "error: a null record is only ever sent"},
        {"stress Valve BoardIO:DO.0 17 1 1", "error: expected REPORTERS and READERS"},
        {"get Valve", "ok 0 0000000000000000"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(request(c.request).rfind(c.reply, 0), 0u) << c.request;

    // An over-long line is refused whole and the connection goes on.
    EXPECT_EQ(request(std::string(3 << 20, 'x')).rfind("error: line longer than", 0), 0u);
    EXPECT_EQ(request("get Val\\x76e"), "ok 0 0000000000000000");
}

TEST_F(simulator, stale_socket_is_replaced_and_a_live_one_is_refused)
{
    // A socket file nobody listens on, as a killed process leaves it.
    const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socket_path.copy(address.sun_path, sizeof address.sun_path - 1);
    const auto *name = reinterpret_cast<sockaddr *>(&address);
    const bool bound = bind(stale, name, sizeof address) == 0;
    close(stale);
    ASSERT_TRUE(bound);
    ASSERT_EQ(quorvel_init(2, &config, 0), 0);
    EXPECT_EQ(request("get Valve"), "ok 0 0000000000000000");
    EXPECT_EQ(quorvel_uninit(), 0);

    const int live = socket(AF_UNIX, SOCK_STREAM, 0);
    const bool listening = bind(live, name, sizeof address) == 0 && listen(live, 1) == 0;
    ::testing::internal::CaptureStderr();
    const int result = quorvel_init(2, &config, 0);
    const std::string complaint = ::testing::internal::GetCapturedStderr();
    close(live);
    ASSERT_TRUE(listening);
    EXPECT_EQ(result, quorvel_sim::init_error_control_socket);
    EXPECT_NE(complaint.find("another simulator already serves"), std::string::npos);
}

} // namespace
