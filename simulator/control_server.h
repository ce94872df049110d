// SPDX-License-Identifier: MIT
// The control socket: a Unix stream socket on which other processes send
// command lines and read one reply line each.
#ifndef QUORVEL_SIM_CONTROL_SERVER_H
#define QUORVEL_SIM_CONTROL_SERVER_H

#include <string>

namespace quorvel_sim {

// Binds the socket (replacing a stale one a killed process left behind) and
// starts serving. On failure error says why and nothing is left running.
bool control_server_start(const std::string &path, std::string &error);
// Stops serving, closes every connection and removes the socket file. A
// command in progress, such as a stress run, is finished first.
void control_server_stop();

} // namespace quorvel_sim

#endif
