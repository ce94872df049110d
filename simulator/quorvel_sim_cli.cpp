// SPDX-License-Identifier: MIT
// quorvel-sim: sends one command to a running simulator and prints the reply.
//
//   quorvel-sim [-s SOCKET] COMMAND [ARGUMENT...]
//   quorvel-sim set Valve 1
//   quorvel-sim get BoardIO:DO.1
//
// Exit status: 0 ok, 1 the simulator refused the command, 2 no simulator.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "control_client.h"

int main(int argc, char *argv[])
{
    std::string path = quorvel_sim::default_socket_path();
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "-s") == 0) {
        path = argv[2];
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr,
                     "usage: quorvel-sim [-s SOCKET] COMMAND [ARGUMENT...]\n"
                     "       quorvel-sim help   lists the commands\n"
                     "SOCKET defaults to $QUORVEL_SIM_SOCKET, else /tmp/quorvel-sim.sock\n");
        return 2;
    }
    const int fd = quorvel_sim::control_connect(path);
    if (fd < 0) {
        std::fprintf(stderr, "quorvel-sim: no simulator on '%s': %s\n", path.c_str(),
                     std::strerror(errno));
        return 2;
    }
    std::string reply;
    const bool answered = quorvel_sim::control_request(
        fd, quorvel_sim::request_line(std::vector<std::string>(argv + first, argv + argc)),
        reply);
    close(fd);
    if (!answered) {
        std::fprintf(stderr, "quorvel-sim: the simulator on '%s' hung up\n", path.c_str());
        return 2;
    }
    if (reply.compare(0, 2, "ok") == 0) {
        if (reply.size() > 3)
            std::printf("%s\n", reply.c_str() + 3);
        return 0;
    }
    std::fprintf(stderr, "quorvel-sim: %s\n", reply.c_str());
    return 1;
}
