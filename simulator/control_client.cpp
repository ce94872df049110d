// SPDX-License-Identifier: MIT
#include "control_client.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "socket_io.h"

namespace quorvel_sim {

bool control_connect(control_connection &connection, const std::string &path)
{
    control_close(connection);
    sockaddr_un address;
    if (!unix_address(path, address)) {
        errno = ENAMETOOLONG;
        return false;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        const int saved = errno;
        close(fd);
        errno = saved;
        return false;
    }
    connection.fd = fd;
    return true;
}

void control_close(control_connection &connection)
{
    if (connection.fd >= 0)
        close(connection.fd);
    connection.fd = -1;
    connection.received.clear();
}

request_result control_request(control_connection &connection, const std::string &request,
                               std::string &reply, int timeout_ms)
{
    if (!send_all(connection.fd, request + '\n'))
        return request_result::hung_up;
    using clock = std::chrono::steady_clock;
    const clock::time_point deadline = clock::now() + std::chrono::milliseconds(timeout_ms);
    std::string &received = connection.received;
    std::size_t end;
    while ((end = received.find('\n')) == std::string::npos) {
        int wait_ms = -1;
        if (timeout_ms >= 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - clock::now());
            wait_ms = static_cast<int>(std::max<long long>(0, left.count()));
        }
        pollfd readable = {connection.fd, POLLIN, 0};
        const int ready = poll(&readable, 1, wait_ms);
        if (ready == 0)
            return request_result::timed_out;
        char block[4096];
        const ssize_t n = ready > 0 ? recv(connection.fd, block, sizeof block, 0) : -1;
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return request_result::hung_up;
        received.append(block, static_cast<std::size_t>(n));
    }
    reply = received.substr(0, end);
    received.erase(0, end + 1);
    return request_result::answered;
}

} // namespace quorvel_sim
