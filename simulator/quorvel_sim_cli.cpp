// SPDX-License-Identifier: MIT
// quorvel-sim: sends one command to a running simulator and prints the reply.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command_help.h"
#include "control_client.h"
#include "text_codec.h"

namespace {

enum exit_status { done = 0, refused = 1, usage_error = 2, no_answer = 3 };

const char usage[] =
    "usage: quorvel-sim [-s SOCKET] [-t SECONDS] COMMAND [ARGUMENT...]\n"
    "       quorvel-sim help\n";

void print_help()
{
    std::printf("%s\n"
                "Sends one command to the simulator that stands in for libQuorvel.so in a\n"
                "running program, and prints its answer.\n\n"
                "  -s SOCKET   the simulator's control socket (default: $QUORVEL_SIM_SOCKET,\n"
                "              else /tmp/quorvel-sim.sock)\n"
                "  -t SECONDS  how long to wait for the answer (default 10; 0: for ever)\n\n"
                "Commands:\n%s\n"
                "Exit status: 0 done, 1 the simulator refused the command, 2 wrong usage,\n"
                "3 no simulator answered.\n",
                usage, quorvel_sim::command_help);
}

int wrong_usage(const char *why)
{
    std::fprintf(stderr, "quorvel-sim: %s\n%s", why, usage);
    return usage_error;
}

} // namespace

int main(int argc, char *argv[])
{
    std::string path = quorvel_sim::default_socket_path();
    long timeout_s = 10;
    int first = 1;
    for (; first < argc && argv[first][0] == '-'; first += 2) {
        const std::string option = argv[first];
        if (option == "-h" || option == "--help") {
            print_help();
            return done;
        }
        if (option != "-s" && option != "-t")
            return wrong_usage(("unknown option '" + quorvel_sim::escape(option) + "'").c_str());
        if (first + 1 >= argc)
            return wrong_usage((option + " needs a value").c_str());
        if (option == "-s") {
            path = argv[first + 1];
            continue;
        }
        char *end = nullptr;
        errno = 0;
        timeout_s = std::strtol(argv[first + 1], &end, 10);
        if (*argv[first + 1] == '\0' || *end != '\0' || errno != 0 || timeout_s < 0 ||
            timeout_s > 86400)
            return wrong_usage("-t takes a whole number of seconds from 0 to 86400");
    }
    if (first >= argc)
        return wrong_usage("no command given");
    if (std::strcmp(argv[first], "help") == 0) {
        print_help();
        return done;
    }

    quorvel_sim::control_connection connection;
    if (!quorvel_sim::control_connect(connection, path)) {
        std::fprintf(stderr, "quorvel-sim: no simulator on '%s': %s\n", path.c_str(),
                     std::strerror(errno));
        return no_answer;
    }
    std::string reply;
    const auto result = quorvel_sim::control_request(
        connection, quorvel_sim::request_line(std::vector<std::string>(argv + first, argv + argc)),
        reply, timeout_s == 0 ? -1 : static_cast<int>(timeout_s * 1000));
    quorvel_sim::control_close(connection);
    if (result == quorvel_sim::request_result::timed_out) {
        std::fprintf(stderr, "quorvel-sim: the simulator on '%s' did not answer within %ld s\n",
                     path.c_str(), timeout_s);
        return no_answer;
    }
    if (result == quorvel_sim::request_result::hung_up) {
        std::fprintf(stderr, "quorvel-sim: the simulator on '%s' hung up\n", path.c_str());
        return no_answer;
    }
    if (reply.compare(0, 2, "ok") == 0) {
        if (reply.size() > 3)
            std::printf("%s\n", reply.c_str() + 3);
        return done;
    }
    std::fprintf(stderr, "quorvel-sim: %s\n", reply.c_str());
    return refused;
}
