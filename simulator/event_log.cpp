// SPDX-License-Identifier: MIT
#include "event_log.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

#include "fd_placement.h"
#include "text_codec.h"

namespace quorvel_sim {

namespace {

std::mutex log_mutex;
int log_fd = -1;

std::string time_stamp()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03ld", local.tm_hour, local.tm_min,
                  local.tm_sec, now.tv_nsec / 1000000);
    return text;
}

} // namespace

bool event_log_open(const std::string &path)
{
    const std::lock_guard<std::mutex> lock(log_mutex);
    if (log_fd >= 0)
        close(log_fd);
    log_fd = -1;
    if (path.empty())
        return true;
    log_fd = above_standard_fds(open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    return log_fd >= 0;
}

void event_log_close()
{
    const std::lock_guard<std::mutex> lock(log_mutex);
    if (log_fd >= 0)
        close(log_fd);
    log_fd = -1;
}

void log_event(const std::string &event, const std::string &unopened_path)
{
    const std::lock_guard<std::mutex> lock(log_mutex);
    int fd = log_fd;
    if (fd < 0 && !unopened_path.empty())
        fd = above_standard_fds(
            open(unopened_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (fd < 0)
        return;
    const std::string line = time_stamp() + ' ' + event + '\n';
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // a full disk must not take the device down with it
        done += static_cast<std::size_t>(n);
    }
    if (fd != log_fd)
        close(fd);
}

std::string quoted(const std::string &name)
{
    return '"' + escape(name) + '"';
}

} // namespace quorvel_sim
