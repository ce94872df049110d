// SPDX-License-Identifier: MIT
// What the control socket's server and clients share: its address, and
// writes that neither block on a signal nor raise one.
#ifndef QUORVEL_SIM_SOCKET_IO_H
#define QUORVEL_SIM_SOCKET_IO_H

#include <string>

#include <sys/un.h>

namespace quorvel_sim {

// The address of a Unix socket file; false if the path is empty or too
// long to fit (sizeof sockaddr_un::sun_path - 1 bytes at most).
bool unix_address(const std::string &path, sockaddr_un &address);

// Sends all of text on a connected socket. A peer that hung up makes it
// return false, never raise SIGPIPE: in the simulator that would kill the
// program it is loaded into.
bool send_all(int fd, const std::string &text);

} // namespace quorvel_sim

#endif
