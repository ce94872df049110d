// SPDX-License-Identifier: MIT
// The control socket: bad requests, a stale socket file, and clients that
// must not hold one another up.
#include <atomic>
#include <string>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "fixture.h"
#include "sim_errors.h"
#include "socket_io.h"

namespace simulator_tests {
namespace {

TEST_F(simulator, control_rejects_bad_requests_and_keeps_serving)
{
    ASSERT_EQ(start(), 0);
    const std::string valve = std::to_string(quorvel_open("Valve", 0));
    const struct {
        std::string request;
        const char *reply;
    } cases[] = {
        {"bogus", "error: unknown command 'bogus'"},
        {"b\\x09ad", "error: unknown command 'b\\x09ad'"},
        {"set Valve", "error: set takes 2 argument(s)"},
        {"set Nothing 1", "error: no tag named 'Nothing'"},
        {"get \"\"", "error: no tag named ''"},
        {"set Valve 1.5", "error: expected a 64-bit decimal integer"},
        // What the user typed, " 1", escaped once.
        {"set Valve \\x201", "error: expected a value, got '\\x201'"},
        {"set Valve 99999999999999999999", "error: expected a 64-bit decimal integer"},
        {"set Valve bytes:xyz", "error: bytes: takes exactly 16 hex digits"},
        {"set Valve float:", "error: expected a value"},
        {"get Val\\x4", "error: malformed escape in 'Val\\x4'"},
        {"call 0 1", "error: expected a non-zero handle"},
        {"call -1 1", "error: expected a non-zero handle"},
        {"call " + valve + " null", "error: a null record is only ever sent"},
        {"stress Valve BoardIO:DO.0 17 1 1", "error: expected REPORTERS and READERS"},
        {"help", "ok set NAME VALUE"},
        {"get   Valve ", "ok 0 0000000000000000"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(request(c.request).rfind(c.reply, 0), 0u) << c.request;

    // An over-long line is refused whole and the connection goes on.
    EXPECT_EQ(request(std::string(3 << 20, 'x')).rfind("error: line longer than", 0), 0u);
    EXPECT_EQ(request("get Val\\x76e"), "ok 0 0000000000000000");

    // A client that hangs up after its last line, as `socat` and `nc -N` do,
    // reads the reply and then the end, without waiting for anyone else.
    quorvel_sim::control_connection last;
    ASSERT_TRUE(quorvel_sim::control_connect(last, socket_path));
    ASSERT_TRUE(quorvel_sim::send_all(last.fd, "get Valve\n"));
    shutdown(last.fd, SHUT_WR);
    std::string heard;
    char block[64];
    ssize_t n = 1;
    for (pollfd p{last.fd, POLLIN, 0}; n > 0 && poll(&p, 1, 5000) == 1;) {
        n = recv(last.fd, block, sizeof block, 0);
        heard.append(block, n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    EXPECT_EQ(n, 0) << "the conversation never ended";
    EXPECT_EQ(heard, "ok 0 0000000000000000\n");
    quorvel_sim::control_close(last);
}

TEST_F(simulator, stale_socket_is_replaced_and_a_live_one_is_refused)
{
    // A socket file nobody listens on, as a killed process leaves it.
    sockaddr_un address;
    ASSERT_TRUE(quorvel_sim::unix_address(socket_path, address));
    const auto *name = reinterpret_cast<const sockaddr *>(&address);
    const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = bind(stale, name, sizeof address) == 0;
    close(stale);
    ASSERT_TRUE(bound);
    ASSERT_EQ(start(), 0);
    EXPECT_EQ(request("get Valve"), "ok 0 0000000000000000");
    quorvel_sim::control_close(control);
    EXPECT_EQ(quorvel_uninit(), 0);

    const int live = socket(AF_UNIX, SOCK_STREAM, 0);
    const bool listening = bind(live, name, sizeof address) == 0 && listen(live, 1) == 0;
    int result = 0;
    const std::string complaint = printed_on(2, [&] { result = start(); });
    close(live);
    ASSERT_TRUE(listening);
    EXPECT_EQ(result, quorvel_sim::init_error_control_socket);
    EXPECT_NE(complaint.find("another simulator already serves"), std::string::npos) << complaint;
}

TEST_F(simulator, a_client_that_reads_no_replies_holds_up_no_one_else)
{
    ASSERT_EQ(start(), 0);
    quorvel_sim::control_connection greedy;
    ASSERT_TRUE(quorvel_sim::control_connect(greedy, socket_path));
    // Commands until the simulator, whose replies nobody reads, reads no more.
    std::string commands;
    for (int i = 0; i < 25000; ++i)
        commands += "get Valve\n";
    std::size_t sent = 0;
    while (sent < commands.size()) {
        const ssize_t n = send(greedy.fd, commands.data() + sent, commands.size() - sent,
                               MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<std::size_t>(n);
    }
    EXPECT_EQ(request("get Valve"), "ok 0 0000000000000000");
    quorvel_sim::control_close(greedy);
}

TEST_F(simulator, a_long_stress_run_holds_up_no_one_else)
{
    // The output's hand-back waits until the test lets it go.
    std::atomic<bool> entered{false}, released{false};
    behaviour = [&](quorvel_tag tag, void *) {
        if (tag == 2) {
            entered = true;
            while (!released)
                std::this_thread::yield();
        }
        return 0;
    };
    ASSERT_EQ(start(), 0);
    ASSERT_EQ(request("handle BoardIO:DO.0"), "ok 2");
    std::string stress_reply;
    std::thread stressing([&] {
        quorvel_sim::control_connection own;
        std::string reply;
        if (quorvel_sim::control_connect(own, socket_path) &&
            quorvel_sim::control_request(own, "stress Valve BoardIO:DO.0 0 1 1", reply, 10000) ==
                quorvel_sim::request_result::answered)
            stress_reply = reply;
        quorvel_sim::control_close(own);
    });
    const bool held = eventually([&] { return entered.load(); });
    const std::string meanwhile = held ? request("get Valve") : "";
    released = true;
    stressing.join();
    EXPECT_TRUE(held) << "the stress run never called back";
    EXPECT_EQ(meanwhile, "ok 0 0000000000000000");
    EXPECT_EQ(stress_reply, "ok reports=0 handbacks=1 torn=0");
}

} // namespace
} // namespace simulator_tests
