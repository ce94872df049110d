// SPDX-License-Identifier: MIT
#include "control_server.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "commands.h"
#include "fd_placement.h"
#include "socket_io.h"

namespace quorvel_sim {

namespace {

// Long enough for a tag name as long as one command-line argument may be
// (128 KiB), escaped.
constexpr std::size_t max_line = 1 << 20;
constexpr std::size_t max_clients = 16;

struct client {
    int fd;
    std::string pending;
    bool discarding; // the rest of an over-long line, up to its newline
};

std::thread server;
int listen_fd = -1;
int stop_event = -1; // readable once the server is to stop
std::string socket_path;

std::string describe(const char *what)
{
    return std::string(what) + " '" + socket_path + "': " + std::strerror(errno);
}

// Answers every complete line; false once the client should be dropped.
bool serve(client &c)
{
    char buffer[65536];
    const ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR)
        return true;
    if (n <= 0)
        return false;
    c.pending.append(buffer, static_cast<std::size_t>(n));
    std::size_t end;
    while ((end = c.pending.find('\n')) != std::string::npos) {
        std::string line = c.pending.substr(0, end);
        c.pending.erase(0, end + 1);
        if (c.discarding) {
            c.discarding = false;
            continue;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        send_all(c.fd, run_command(line) + '\n');
    }
    if (c.pending.size() > max_line) {
        if (!c.discarding)
            send_all(c.fd, "error: line longer than " + std::to_string(max_line) + " bytes\n");
        c.discarding = true;
        c.pending.clear();
    }
    return true;
}

void run()
{
    std::vector<client> clients;
    std::vector<pollfd> fds;
    for (;;) {
        fds.assign({{stop_event, POLLIN, 0}, {listen_fd, POLLIN, 0}});
        for (const client &c : clients)
            fds.push_back({c.fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents != 0)
            break;
        for (std::size_t i = clients.size(); i-- > 0;) {
            if (fds[i + 2].revents != 0 && !serve(clients[i])) {
                close(clients[i].fd);
                clients.erase(clients.begin() + static_cast<long>(i));
            }
        }
        if (fds[1].revents != 0) {
            const int fd = above_standard_fds(accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC));
            if (fd >= 0 && clients.size() < max_clients) {
                clients.push_back({fd, {}, false});
            } else if (fd >= 0) {
                send_all(fd, "error: too many control connections\n");
                close(fd);
            }
        }
    }
    for (const client &c : clients)
        close(c.fd);
}

void close_all()
{
    for (int *fd : {&listen_fd, &stop_event}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

// A socket file nobody accepts on is what a killed process leaves; one that
// still accepts belongs to a simulator that is running.
bool claim_path(const sockaddr_un &address, std::string &error)
{
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        error = describe("cannot create a socket for");
        return false;
    }
    const int connected =
        connect(probe, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    const int connect_errno = errno;
    close(probe);
    if (connected == 0) {
        error = "another simulator already serves '" + socket_path +
                "'; give this one its own QUORVEL_SIM_SOCKET";
        return false;
    }
    if (connect_errno == ECONNREFUSED)
        unlink(socket_path.c_str());
    return true;
}

} // namespace

bool control_server_start(const std::string &path, std::string &error)
{
    socket_path = path;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        error = "QUORVEL_SIM_SOCKET='" + path + "': a socket path needs 1 to " +
                std::to_string(sizeof address.sun_path - 1) + " bytes";
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (!claim_path(address, error))
        return false;

    listen_fd = above_standard_fds(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    stop_event = above_standard_fds(eventfd(0, EFD_CLOEXEC));
    if (listen_fd < 0 || stop_event < 0 ||
        bind(listen_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        listen(listen_fd, 8) != 0) {
        error = describe("cannot listen on");
        close_all();
        return false;
    }
    try {
        server = std::thread(run);
    } catch (const std::system_error &) {
        error = "cannot start the control thread";
        unlink(socket_path.c_str());
        close_all();
        return false;
    }
    return true;
}

void control_server_stop()
{
    if (!server.joinable())
        return;
    const std::uint64_t one = 1;
    while (write(stop_event, &one, sizeof one) < 0 && errno == EINTR) {
    }
    server.join();
    unlink(socket_path.c_str());
    close_all();
}

} // namespace quorvel_sim
