// SPDX-License-Identifier: MIT
// The client side of the simulator's control socket, for the quorvel-sim
// command and for tests.
#ifndef QUORVEL_SIM_CONTROL_CLIENT_H
#define QUORVEL_SIM_CONTROL_CLIENT_H

#include <string>
#include <vector>

#include "socket_path.h"

namespace quorvel_sim {

// Connects; -1 with errno set on failure.
int control_connect(const std::string &path);

// Sends one request and reads its one-line reply (without the newline).
// False if the connection failed on the way.
bool control_request(int fd, const std::string &request, std::string &reply);

// Joins raw arguments into one request line, escaping each.
std::string request_line(const std::vector<std::string> &arguments);

} // namespace quorvel_sim

#endif
