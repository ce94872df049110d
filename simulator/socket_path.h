// SPDX-License-Identifier: MIT
#ifndef QUORVEL_SIM_SOCKET_PATH_H
#define QUORVEL_SIM_SOCKET_PATH_H

#include <cstdlib>
#include <string>

namespace quorvel_sim {

// Where the simulator listens and its clients connect, unless told otherwise.
inline std::string default_socket_path()
{
    const char *path = std::getenv("QUORVEL_SIM_SOCKET");
    return path != nullptr ? path : "/tmp/quorvel-sim.sock";
}

} // namespace quorvel_sim

#endif
