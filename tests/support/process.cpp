// SPDX-License-Identifier: MIT
#include "process.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace tests {

namespace {

std::vector<char *> pointers(std::vector<std::string> &strings)
{
    std::vector<char *> out;
    out.reserve(strings.size() + 1);
    for (std::string &s : strings)
        out.push_back(&s[0]);
    out.push_back(nullptr);
    return out;
}

} // namespace

pid_t spawn(const spawn_request &request)
{
    std::vector<std::string> argv = request.argv;
    // The request's variables replace any of the same name this process has.
    std::vector<std::string> env = request.environment;
    for (char **e = environ; *e != nullptr; ++e) {
        const std::string inherited = *e;
        const std::string name = inherited.substr(0, inherited.find('=') + 1);
        bool replaced = false;
        for (const std::string &own : request.environment)
            replaced = replaced || own.compare(0, name.size(), name) == 0;
        if (!replaced)
            env.push_back(inherited);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    switch (request.out) {
    case stdout_mode::file:
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, request.stdout_path.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        break;
    case stdout_mode::closed:
        posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
        break;
    case stdout_mode::full:
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/full", O_WRONLY, 0);
        break;
    case stdout_mode::terminal:
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, request.stdout_path.c_str(),
                                         O_WRONLY | O_NOCTTY, 0);
        break;
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, request.stderr_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);

    std::vector<char *> args = pointers(argv);
    std::vector<char *> envp = pointers(env);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, request.program.c_str(), &actions, nullptr, args.data(),
                                   envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        ADD_FAILURE() << "cannot start " << request.program << ": " << std::strerror(error);
        return -1;
    }
    return pid;
}

bool eventually(const std::function<bool()> &done, std::chrono::milliseconds within)
{
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool wait_for_exit(pid_t pid, std::chrono::milliseconds limit, exit_status &status)
{
    if (pid <= 0)
        return false; // no child of ours: waitpid would take any other
    int raw = 0;
    pid_t done = 0;
    if (!eventually([&] { return (done = waitpid(pid, &raw, WNOHANG)) != 0; }, limit) || done != pid)
        return false;
    status.exited = WIFEXITED(raw);
    status.code = status.exited ? WEXITSTATUS(raw) : -1;
    status.signal = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
    return true;
}

usage usage_of(pid_t pid)
{
    const std::string task = "/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid);
    std::ifstream schedstat(task + "/schedstat"), stat(task + "/stat");
    long long nanoseconds = 0, waited = 0;
    long runs = 0;
    std::string fields;
    std::getline(stat, fields);
    const std::size_t name_end = fields.rfind(") "); // the name may hold anything
    if (schedstat >> nanoseconds >> waited >> runs && name_end != std::string::npos)
        return {std::chrono::nanoseconds(nanoseconds), runs, fields.at(name_end + 2)};
    return {};
}

void kill_and_reap(pid_t &pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

} // namespace tests
