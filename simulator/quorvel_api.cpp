// SPDX-License-Identifier: MIT
// The three SDK entry points, and nothing else, exported under the real
// library's names. Messages go to standard error: the program's standard
// output is the program's alone.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include <signal.h>

#include "control_server.h"
#include "device.h"
#include "event_log.h"
#include "quorvel.h"
#include "sim_config.h"
#include "sim_errors.h"
#include "stress.h"
#include "text_codec.h"

#define QUORVEL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace quorvel_sim;

std::mutex lifecycle; // init, open and uninit may come from any thread
bool running;
bool report_in_open;
unsigned open_storm_ms;
int handled_signal;            // 0: none
struct sigaction displaced;    // what was there before the SDK took handled_signal

// An SDK may take a signal for its own use. Its handler runs on whichever
// thread the signal finds, most often the program's sleeping main thread,
// which must then go back to sleep.
void sdk_signal_handler(int) {}

std::string word(std::uintptr_t value)
{
    return std::to_string(value);
}

void complain(const std::string &message)
{
    std::fprintf(stderr, "libQuorvel.so (simulator): %s\n", message.c_str());
}

// A call made while the SDK is stopped is the program's mistake: it must show
// even though quorvel_init has not opened the log yet, or quorvel_uninit has
// closed it.
void log_call(const std::string &event)
{
    const char *path = running ? nullptr : std::getenv("QUORVEL_SIM_EVENT_LOG");
    log_event(event, path != nullptr ? path : "");
}

int start(int mode, const quorvel_config *config, std::uintptr_t reserved)
{
    if (running) {
        complain("quorvel_init called while already running");
        return init_error_already_running;
    }
    sim_config settings;
    std::string error;
    if (!load_config(settings, error)) {
        complain(error);
        return init_error_bad_config;
    }
    if (!event_log_open(settings.event_log_path)) {
        complain("QUORVEL_SIM_EVENT_LOG='" + settings.event_log_path +
                 "': cannot open: " + std::strerror(errno));
        return init_error_event_log;
    }
    std::string fields = "null";
    if (config != nullptr) {
        char callback[32];
        std::snprintf(callback, sizeof callback, "%p",
                      reinterpret_cast<void *>(config->on_update));
        fields = word(config->options) + ',' + word(config->reserved1) + ',' +
                 word(config->reserved2) + ',' + callback;
    }
    const bool usable = config != nullptr && config->on_update != nullptr;
    const int result = usable ? settings.init_result : init_error_bad_config;
    log_event("init mode=" + std::to_string(mode) + " config=" + fields +
              " reserved=" + word(reserved) + " -> " + std::to_string(result));
    if (!usable)
        complain("quorvel_init needs a configuration record with an update callback");
    // The log stays open after a refused start, so that any call the
    // program makes afterwards still shows.
    if (result != 0)
        return result;

    device_configure(settings, config);
    if (!control_server_start(settings.socket_path, error)) {
        complain(error);
        return init_error_control_socket;
    }
    if (!device_start()) {
        complain("cannot start the device threads");
        control_server_stop();
        return init_error_no_threads;
    }
    struct sigaction taken {};
    taken.sa_handler = sdk_signal_handler;
    sigemptyset(&taken.sa_mask);
    if (settings.handle_signal != 0 &&
        sigaction(settings.handle_signal, &taken, &displaced) != 0) {
        complain("QUORVEL_SIM_HANDLE_SIGNAL=" + std::to_string(settings.handle_signal) +
                 ": cannot handle that signal: " + std::strerror(errno));
        device_stop();
        control_server_stop();
        return init_error_bad_config;
    }
    handled_signal = settings.handle_signal;
    report_in_open = settings.report_in_open;
    open_storm_ms = settings.open_storm_ms;
    running = true;
    return 0;
}

} // namespace

QUORVEL_EXPORT int quorvel_init(int mode, const quorvel_config *config, std::uintptr_t reserved)
{
    try {
        const std::lock_guard<std::mutex> lock(lifecycle);
        return start(mode, config, reserved);
    } catch (const std::bad_alloc &) {
        complain("out of memory in quorvel_init");
        return init_error_out_of_memory;
    }
}

QUORVEL_EXPORT quorvel_tag quorvel_open(const char *name, std::uintptr_t reserved)
{
    try {
        const std::lock_guard<std::mutex> lock(lifecycle);
        const std::string tag_name = name != nullptr ? name : "";
        const quorvel_tag handle =
            running && name != nullptr ? device_open(tag_name, report_in_open) : 0;
        log_call("open " + (name != nullptr ? quoted(tag_name) : std::string("null")) +
                 " reserved=" + word(reserved) + " -> " + word(handle));
        // The handle is not the program's yet: every callback in the storm
        // for it must be ignored.
        if (handle != 0 && open_storm_ms != 0)
            run_callback_storm(open_storm_ms);
        return handle;
    } catch (const std::bad_alloc &) {
        complain("out of memory in quorvel_open");
        return 0;
    }
}

QUORVEL_EXPORT int quorvel_uninit(void)
{
    const std::lock_guard<std::mutex> lock(lifecycle);
    log_call("uninit");
    if (!running)
        return -1;
    if (handled_signal != 0)
        sigaction(handled_signal, &displaced, nullptr);
    handled_signal = 0;
    device_stop();
    control_server_stop();
    event_log_close();
    running = false;
    return 0;
}
