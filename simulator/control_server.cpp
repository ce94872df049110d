// SPDX-License-Identifier: MIT
#include "control_server.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <list>
#include <system_error>
#include <thread>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
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

// Each connection is served on a thread of its own, so that a client that
// stops reading its replies, or waits for a long stress run, holds up no one
// else. Only the accepting thread, and stop once it has joined that thread,
// touch the list; a connection's socket is closed only after its thread ended.
struct client {
    int fd = -1;
    std::thread thread;
    std::atomic<bool> done{false};
};

std::thread server;
std::list<client> clients;
int listen_fd = -1;
int stop_event = -1; // readable once the server is to stop
std::string socket_path;

std::string describe(const char *what)
{
    return std::string(what) + " '" + socket_path + "': " + std::strerror(errno);
}

// Answers the connection's lines in order until it hangs up or is shut down.
void serve(int fd)
{
    std::string pending;
    bool discarding = false; // the rest of an over-long line, up to its newline
    char buffer[65536];
    for (;;) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (discarding) {
                discarding = false;
                continue;
            }
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!send_all(fd, run_command(line) + '\n'))
                return;
        }
        if (pending.size() > max_line) {
            if (!discarding &&
                !send_all(fd, "error: line longer than " + std::to_string(max_line) + " bytes\n"))
                return;
            discarding = true;
            pending.clear();
        }
    }
}

void end_finished_clients()
{
    for (auto c = clients.begin(); c != clients.end();) {
        if (!c->done.load()) {
            ++c;
            continue;
        }
        c->thread.join();
        close(c->fd);
        c = clients.erase(c);
    }
}

void accept_client()
{
    const int fd = above_standard_fds(accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC));
    if (fd < 0)
        return;
    end_finished_clients();
    if (clients.size() >= max_clients) {
        send_all(fd, "error: too many control connections\n");
        close(fd);
        return;
    }
    client &c = clients.emplace_back();
    c.fd = fd;
    try {
        c.thread = std::thread([&c] {
            serve(c.fd);
            // The client learns now that the conversation is over, not when
            // the next one connects and its socket is closed.
            shutdown(c.fd, SHUT_RDWR);
            c.done = true;
        });
    } catch (const std::system_error &) {
        send_all(fd, "error: no thread to serve this connection\n");
        close(fd);
        clients.pop_back();
    }
}

void run()
{
    for (;;) {
        pollfd fds[] = {{stop_event, POLLIN, 0}, {listen_fd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents != 0)
            break;
        if (fds[1].revents != 0)
            accept_client();
    }
    // A thread waiting for its client, or blocked on a client that reads
    // nothing, wakes up once its socket is shut down.
    for (client &c : clients)
        shutdown(c.fd, SHUT_RDWR);
    for (client &c : clients) {
        c.thread.join();
        close(c.fd);
    }
    clients.clear();
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
    sockaddr_un address;
    if (!unix_address(path, address)) {
        error = "QUORVEL_SIM_SOCKET='" + path + "': a socket path needs 1 to " +
                std::to_string(sizeof address.sun_path - 1) + " bytes";
        return false;
    }
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
