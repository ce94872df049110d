// SPDX-License-Identifier: MIT
#include "harness.h"


#include <fcntl.h>
#include <unistd.h>

#include "control_client.h"
#include "test_files.h"
#include "text_codec.h"

namespace tests {

target &under_test()
{
    static target t;
    return t;
}

std::string usage_text(const std::string &program)
{
    return "This program will monitor the calculation tag if the specified tag value is changed "
           "to 1, will turn on another DO tag.\n\nUsage: " +
           program +
           " <monitor_tag_name> <write_tag_name> \n\tmonitor_tag_name: Specify the name of the "
           "tag for monitoring. (Ex. Valve)\n\twrite_tag_name:  Specify the name of the DO tag "
           "for reacting. (Ex. BoardIO:DO.1) \n";
}

void mirror_run::SetUp()
{
    directory = make_test_directory("tag-mirror-test", "sim.sock");
    ASSERT_FALSE(directory.empty());
}

void mirror_run::TearDown()
{
    kill_and_reap(pid);
    if (terminal >= 0)
        close(terminal);
    terminal = -1;
    // A sanitizer's report in a build made with one; in any build, nothing
    // but the simulator's own complaints belongs on standard error.
    const std::string errors = standard_error();
    EXPECT_EQ(errors.find("Sanitizer"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("runtime error:"), std::string::npos) << errors;
    quorvel_sim::control_close(control);
    if (directory.empty())
        return; // SetUp made none
    remove_test_directory(directory, {"sim.sock", "events.log", "stdout", "stderr"});
}

void mirror_run::next_case()
{
    TearDown();
    SetUp();
}

std::string mirror_run::path(const char *name) const
{
    return directory + '/' + name;
}

void mirror_run::launch(spawn_request request)
{
    kill_and_reap(pid);
    request.environment.insert(request.environment.begin(),
                               {"LD_LIBRARY_PATH=" + under_test().library_path,
                                "QUORVEL_SIM_SOCKET=" + path("sim.sock"),
                                "QUORVEL_SIM_EVENT_LOG=" + path("events.log")});
    request.stdout_path = path("stdout");
    request.stderr_path = path("stderr");
    if (request.out == stdout_mode::terminal) {
        if (terminal >= 0)
            close(terminal);
        terminal = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char slave[64];
        ASSERT_TRUE(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0 &&
                    ptsname_r(terminal, slave, sizeof slave) == 0)
            << "no pseudo-terminal";
        fcntl(terminal, F_SETFL, O_NONBLOCK);
        request.stdout_path = slave;
    }
    pid = spawn(request);
    ASSERT_GT(pid, 0);
}

void mirror_run::start(const std::vector<std::string> &arguments,
                       const std::vector<std::string> &environment, stdout_mode out)
{
    const target &t = under_test();
    spawn_request request;
    request.argv = t.launcher;
    request.argv.push_back(t.tag_mirror);
    request.argv.insert(request.argv.end(), arguments.begin(), arguments.end());
    request.program = request.argv.front();
    request.environment = environment;
    request.out = out;
    launch(request);
}

void mirror_run::start_without_argv()
{
    spawn_request request;
    request.program = under_test().tag_mirror;
    launch(request);
}

exit_status mirror_run::finish()
{
    exit_status status;
    if (wait_for_exit(pid, under_test().patience, status)) {
        pid = -1;
    } else {
        ADD_FAILURE() << "tag-mirror still runs; it was expected to end";
        kill_and_reap(pid);
    }
    return status;
}

void mirror_run::start_mirror(const std::string &monitored, const std::string &output,
                              const std::vector<std::string> &environment)
{
    ASSERT_NO_FATAL_FAILURE(start({monitored, output}, environment));
    // Each handle is stored as its open returns, and the output tag is opened
    // only after the monitored tag's handle is stored.
    ASSERT_NO_FATAL_FAILURE(wait_for_events("open ", 2));
    std::vector<std::string> opens;
    for (const std::string &event : events())
        if (event.compare(0, 5, "open ") == 0)
            opens.push_back(event);
    ASSERT_GE(opens.size(), 2u);
    ASSERT_EQ(opens[1],
              "open \"" + quorvel_sim::escape(output) + "\" reserved=0 -> " + handle(output));
}

std::string mirror_run::standard_output() const
{
    return read_file(path("stdout"));
}

std::string mirror_run::standard_error() const
{
    return read_file(path("stderr"));
}

std::string mirror_run::terminal_output()
{
    std::string text;
    char block[4096];
    ssize_t n;
    while (terminal >= 0 && (n = read(terminal, block, sizeof block)) > 0)
        text.append(block, static_cast<std::size_t>(n));
    return text;
}

std::vector<std::string> mirror_run::events() const
{
    return logged_events(path("events.log"));
}

void mirror_run::wait_for_events(const std::string &prefix, std::size_t count)
{
    const bool seen = eventually(
        [&] {
            std::size_t n = 0;
            for (const std::string &event : events())
                if (event.compare(0, prefix.size(), prefix) == 0)
                    ++n;
            return n >= count;
        },
        under_test().patience);
    ASSERT_TRUE(seen) << "waited for " << count << " event(s) starting '" << prefix
                      << "'; stderr: " << standard_error();
}

std::string mirror_run::sim(const std::vector<std::string> &arguments,
                            std::chrono::milliseconds within)
{
    if (within == std::chrono::milliseconds::zero())
        within = under_test().patience;
    const std::string line = quorvel_sim::request_line(arguments);
    std::string reply = "error: no simulator to connect to";
    if (control.fd >= 0 ||
        eventually([&] { return quorvel_sim::control_connect(control, path("sim.sock")); },
                   under_test().patience)) {
        using quorvel_sim::request_result;
        const request_result result =
            quorvel_sim::control_request(control, line, reply, static_cast<int>(within.count()));
        if (result == request_result::hung_up)
            reply = "error: the simulator hung up";
        if (result == request_result::timed_out) {
            reply = "error: no answer within " + std::to_string(within.count()) + " ms";
            quorvel_sim::control_close(control); // a late answer would be taken for the next
        }
    }
    EXPECT_EQ(reply.compare(0, 2, "ok"), 0) << line << ": " << reply;
    return reply.size() > 3 ? reply.substr(3) : "";
}

std::string mirror_run::value_bytes(const std::string &tag)
{
    const std::string reply = sim({"get", tag});
    return reply.substr(reply.find(' ') + 1);
}

void mirror_run::wait_for_bytes(const std::string &tag, const std::string &hex)
{
    std::string last;
    const bool seen =
        eventually([&] { return (last = value_bytes(tag)) == hex; }, under_test().patience);
    ASSERT_TRUE(seen) << tag << " holds " << last << ", expected " << hex;
}

std::string mirror_run::handle(const std::string &tag)
{
    return sim({"handle", tag});
}

} // namespace tests
