// SPDX-License-Identifier: MIT
// quorvel-sim, the simulator's command-line client, as a person at a
// terminal uses it: against the simulator in this process, against none,
// and against one that never answers.
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

#include "fixture.h"
#include "process.h"
#include "socket_io.h"
#include "test_files.h"

namespace simulator_tests {
namespace {

struct outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class quorvel_sim_cli : public simulator {
protected:
    outcome run(const std::vector<std::string> &arguments)
    {
        const char *cli = std::getenv("QUORVEL_SIM_CLI");
        tests::spawn_request request;
        request.program = cli != nullptr ? cli : "quorvel-sim";
        request.argv = {request.program};
        request.argv.insert(request.argv.end(), arguments.begin(), arguments.end());
        request.stdout_path = directory + "/out";
        request.stderr_path = directory + "/err";
        pid_t pid = tests::spawn(request);
        tests::exit_status status;
        outcome result;
        if (pid > 0 && tests::wait_for_exit(pid, std::chrono::seconds(20), status))
            result.status = status.exited ? status.code : -1;
        else
            tests::kill_and_reap(pid);
        result.out = tests::read_file(request.stdout_path);
        result.err = tests::read_file(request.stderr_path);
        unlink(request.stdout_path.c_str());
        unlink(request.stderr_path.c_str());
        return result;
    }
};

TEST_F(quorvel_sim_cli, help_needs_no_simulator_and_names_the_value_forms)
{
    for (const char *asked : {"help", "--help", "-h"}) {
        SCOPED_TRACE(asked);
        const outcome help = run({asked});
        EXPECT_EQ(help.status, 0);
        for (const char *part : {"usage: quorvel-sim", "set NAME VALUE", "stress MONITOR",
                                 "float:NUMBER", "bytes:16HEX", "-t SECONDS"})
            EXPECT_NE(help.out.find(part), std::string::npos) << part << " in\n" << help.out;
        EXPECT_EQ(help.err, "");
    }
}

TEST_F(quorvel_sim_cli, wrong_usage_and_no_simulator_have_statuses_of_their_own)
{
    for (const std::vector<std::string> &arguments : std::vector<std::vector<std::string>>{
             {}, {"-s"}, {"-t", "soon", "get", "Valve"}, {"-x", "get", "Valve"}}) {
        const outcome wrong = run(arguments);
        EXPECT_EQ(wrong.status, 2) << wrong.err;
        EXPECT_NE(wrong.err.find("usage: quorvel-sim"), std::string::npos) << wrong.err;
    }
    const outcome nobody = run({"get", "Valve"});
    EXPECT_EQ(nobody.status, 3);
    EXPECT_NE(nobody.err.find("no simulator on '" + socket_path + "'"), std::string::npos)
        << nobody.err;
}

TEST_F(quorvel_sim_cli, answers_and_refusals_show_what_was_typed)
{
    ASSERT_EQ(start(), 0);
    const outcome set = run({"set", "Valve", "-5"});
    EXPECT_EQ(set.status, 0) << set.err;
    const outcome get = run({"get", "Valve"});
    EXPECT_EQ(get.status, 0);
    EXPECT_EQ(get.out, "-5 fbffffffffffffff\n");

    const struct {
        std::vector<std::string> arguments;
        const char *complaint;
    } refusals[] = {
        {{"set", "Valve", " 1"}, "got '\\x201'"},
        {{"get", ""}, "no tag named ''"},
        {{"b\tad"}, "unknown command 'b\\x09ad'"},
    };
    for (const auto &refusal : refusals) {
        SCOPED_TRACE(refusal.complaint);
        const outcome refused = run(refusal.arguments);
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find(refusal.complaint), std::string::npos) << refused.err;
        EXPECT_EQ(refused.out, "");
    }
}

TEST_F(quorvel_sim_cli, a_simulator_that_does_not_answer_is_given_up_on)
{
    // Listens, and never accepts or answers.
    sockaddr_un address;
    ASSERT_TRUE(quorvel_sim::unix_address(socket_path, address));
    const int mute = socket(AF_UNIX, SOCK_STREAM, 0);
    const bool listening =
        bind(mute, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
        listen(mute, 1) == 0;
    const outcome waited = listening ? run({"-t", "1", "get", "Valve"}) : outcome{};
    close(mute);
    ASSERT_TRUE(listening);
    EXPECT_EQ(waited.status, 3);
    EXPECT_NE(waited.err.find("did not answer within 1 s"), std::string::npos) << waited.err;
}

} // namespace
} // namespace simulator_tests
