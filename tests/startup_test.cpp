// SPDX-License-Identifier: MIT
// Starting the SDK and opening the two tags: the calls made, in order, and
// how each failure is reported.
#include <chrono>
#include <climits>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "harness.h"

namespace tests {
namespace {

using startup = mirror_run;

// Where NOTIFY_SOCKET points, as systemd binds it for a notify service: a
// path, or "@" and an abstract name.
struct notify_socket {
    explicit notify_socket(const std::string &address) : name(address)
    {
        sockaddr_un where = {};
        where.sun_family = AF_UNIX;
        name.copy(where.sun_path, sizeof where.sun_path);
        if (name[0] == '@')
            where.sun_path[0] = '\0';
        fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&where), length), 0) << name;
    }
    ~notify_socket()
    {
        close(fd);
        if (name[0] == '/')
            unlink(name.c_str());
    }
    // What was sent to it so far, a datagram each.
    std::vector<std::string> received() const
    {
        std::vector<std::string> datagrams;
        char text[4096];
        ssize_t n;
        while ((n = recv(fd, text, sizeof text, 0)) >= 0)
            datagrams.emplace_back(text, static_cast<std::size_t>(n));
        return datagrams;
    }
    std::string name;
    int fd = -1;
};

// quorvel_init(2, {16, 0, 0, <the callback>}, 0), returning `result`.
::testing::AssertionResult is_init_call(const std::string &event, const std::string &result)
{
    const std::string head = "init mode=2 config=16,0,0,0x", tail = " reserved=0 -> " + result;
    const bool framed = event.size() > head.size() + tail.size() && event.rfind(head, 0) == 0 &&
                        event.compare(event.size() - tail.size(), tail.size(), tail) == 0;
    const std::string callback =
        framed ? event.substr(head.size(), event.size() - head.size() - tail.size()) : "";
    if (framed && callback.find_first_not_of("0123456789abcdef") == std::string::npos &&
        callback.find_first_not_of('0') != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "not init(2, {16,0,0,callback}, 0) -> " << result
                                         << ": " << event;
}

TEST_F(startup, sdk_start_failure_prints_the_code_and_exits_255_without_opening)
{
    for (const int code : {7, -3, INT_MIN}) {
        // Afresh, with the last case's socket gone with it.
        next_case();
        const std::string text = std::to_string(code);
        SCOPED_TRACE("quorvel_init returns " + text);
        const notify_socket systemd(directory + "/notify.sock");
        start({"Valve", "BoardIO:DO.1"},
              {"QUORVEL_SIM_INIT_RESULT=" + text, "NOTIFY_SOCKET=" + systemd.name});
        const exit_status status = finish();
        EXPECT_TRUE(status.exited);
        EXPECT_EQ(status.code, 255);
        const std::string line = "Fail to initialize Quorvel SDK! error = " + text;
        EXPECT_EQ(standard_output(), line + "\n");
        // Its line, for systemctl status; not that it is ready.
        EXPECT_EQ(systemd.received(), std::vector<std::string>{"STATUS=" + line});
        const std::vector<std::string> calls = events();
        ASSERT_EQ(calls.size(), 1u) << "nothing but init may be called";
        EXPECT_TRUE(is_init_call(calls[0], text));
    }
}

TEST_F(startup, a_tag_failing_to_open_stops_the_sdk_and_exits_252)
{
    // The monitored tag first: when it fails, the output tag is never opened.
    const std::vector<std::vector<std::string>> cases = {
        {"NoSuchTag", "BoardIO:DO.1", "open \"NoSuchTag\" reserved=0 -> 0"},
        // A newline in a name ends its status line: what follows is no word to systemd.
        {"Valve", "BoardIO:DO.9\nREADY=1", "open \"Valve\" reserved=0 -> 1",
         "open \"BoardIO:DO.9\\x0aREADY=1\" reserved=0 -> 0"}};
    for (const std::vector<std::string> &c : cases) {
        next_case();
        SCOPED_TRACE(c[0] + " " + c[1]);
        const notify_socket systemd(directory + "/notify.sock");
        start({c[0], c[1]}, {"NOTIFY_SOCKET=" + systemd.name});
        const exit_status status = finish();
        EXPECT_TRUE(status.exited);
        EXPECT_EQ(status.code, 252);
        const std::string line = "fail to open tag: " + (c.size() == 3 ? c[0] : c[1]);
        EXPECT_EQ(standard_output(), line + "\n");
        EXPECT_EQ(systemd.received(),
                  std::vector<std::string>{"STATUS=" + line.substr(0, line.find('\n'))});
        std::vector<std::string> calls = events();
        ASSERT_FALSE(calls.empty());
        EXPECT_TRUE(is_init_call(calls[0], "0"));
        calls.erase(calls.begin());
        std::vector<std::string> expected(c.begin() + 2, c.end());
        expected.push_back("uninit");
        EXPECT_EQ(calls, expected);
    }
}

TEST_F(startup, success_prints_nothing_and_idles_for_good)
{
    // At a terminal, as a person would start it: a line printed on the way
    // into the idle state would show at once, not wait in a buffer.
    const notify_socket systemd("@" + directory);
    ASSERT_NO_FATAL_FAILURE(start({"Valve", "BoardIO:DO.1"}, {"NOTIFY_SOCKET=" + systemd.name},
                                  stdout_mode::terminal));
    std::vector<std::string> told;
    ASSERT_TRUE(eventually([&] { return !(told = systemd.received()).empty(); }))
        << "it never told systemd it was ready";
    EXPECT_EQ(told, std::vector<std::string>{"READY=1\nSTATUS=Mirroring Valve onto BoardIO:DO.1"});
    // Two of the main thread's one-second wake-ups, and a little more.
    const usage before = usage_of(pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    const usage after = usage_of(pid);
    exit_status status;
    const bool ended = wait_for_exit(pid, std::chrono::milliseconds(0), status);
    if (ended)
        pid = -1;
    EXPECT_FALSE(ended) << "it ended: exit status " << status.code << ", signal " << status.signal;
    EXPECT_EQ(terminal_output(), "");
    EXPECT_EQ(standard_error(), "");
    EXPECT_TRUE(systemd.received().empty()) << "it told systemd more";
    // Asleep, its main thread uses next to nothing of the processor and runs
    // once a second: 2 to 4 times in 2.5 s, host or qemu, idle or beside busy
    // loops (one waking 10 times a second: 24 to 26). One that spins takes all
    // it gets; one that yields gets little on a busy machine, but runs hundreds.
    EXPECT_EQ(after.state, 'S') << "the main thread is not asleep ('Z': it ended, '?': gone)";
    using std::chrono::milliseconds;
    EXPECT_LT(std::chrono::duration_cast<milliseconds>(after.cpu - before.cpu).count(), 250)
        << "ms on the processor";
    EXPECT_LT(after.runs - before.runs, 10) << "times the main thread ran";
}

} // namespace
} // namespace tests
