// SPDX-License-Identifier: MIT
// The client side of the simulator's control socket, for the quorvel-sim
// command and for tests.
#ifndef QUORVEL_SIM_CONTROL_CLIENT_H
#define QUORVEL_SIM_CONTROL_CLIENT_H

#include <string>

#include "socket_path.h"

namespace quorvel_sim {

struct control_connection {
    int fd = -1;
    std::string received; // what came after the last reply's newline
};

// Connects; false, with errno set, on failure.
bool control_connect(control_connection &connection, const std::string &path);
// Closes the connection, if open.
void control_close(control_connection &connection);

enum class request_result { answered, hung_up, timed_out };

// Sends one request line and reads its one-line reply (without the newline),
// waiting at most timeout_ms for it (a negative timeout waits for ever).
request_result control_request(control_connection &connection, const std::string &request,
                               std::string &reply, int timeout_ms);

} // namespace quorvel_sim

#endif
