// SPDX-License-Identifier: MIT
// Starting the program under test as a child process, with its standard
// output and error in files, and waiting for it against a deadline.
#ifndef TAG_MIRROR_TESTS_PROCESS_H
#define TAG_MIRROR_TESTS_PROCESS_H

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace tests {

// Where the program's standard output goes: a file, nowhere (closed), a
// device that is always full, or a terminal (the slave side of a
// pseudo-terminal, named in stdout_path), where every line is flushed at once.
enum class stdout_mode { file, closed, full, terminal };

struct spawn_request {
    std::string program;           // the file to run, looked up in PATH
    std::vector<std::string> argv; // its argv; may be empty: no argv[0] at all
    std::vector<std::string> environment; // NAME=VALUE over this process's own
    std::string stdout_path;
    std::string stderr_path;
    stdout_mode out = stdout_mode::file;
};

// Starts the process; -1 (and a gtest failure) if it could not be started.
pid_t spawn(const spawn_request &request);

struct exit_status {
    bool exited = false;   // ended by exit or return from main
    int code = -1;         // its exit status, when exited
    int signal = 0;        // the signal that ended it, when not exited
};

// Waits until done() is true, false if it is not within the time given; only
// a failing test waits that long.
bool eventually(const std::function<bool()> &done,
                std::chrono::milliseconds within = std::chrono::seconds(10));

// Waits up to `limit` for the child to end; false if it is still running.
bool wait_for_exit(pid_t pid, std::chrono::milliseconds limit, exit_status &status);

// A process's main thread: its time on the processor so far, how many times
// it was given it (it slept, yielded or was preempted in between), -1 for no
// such process, and its state in /proc ('S' asleep, 'Z' ended).
struct usage {
    std::chrono::nanoseconds cpu{-1};
    long runs = -1;
    char state = '?';
};
usage usage_of(pid_t pid);

// Kills the child if it still runs and reaps it; safe to call twice.
void kill_and_reap(pid_t &pid);

} // namespace tests

#endif
