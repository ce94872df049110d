// SPDX-License-Identifier: MIT
#ifndef QUORVEL_SIM_SOCKET_IO_H
#define QUORVEL_SIM_SOCKET_IO_H

#include <string>

namespace quorvel_sim {

// Sends all of text on a connected socket. A peer that hung up makes it
// return false, never raise SIGPIPE: in the simulator that would kill the
// program it is loaded into.
bool send_all(int fd, const std::string &text);

} // namespace quorvel_sim

#endif
