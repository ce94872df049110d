// SPDX-License-Identifier: MIT
#include "device.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "event_log.h"
#include "text_codec.h"

namespace quorvel_sim {

namespace {

struct tag {
    std::string name;
    bool is_output;
    std::uint64_t value;
    bool open;
    bool report_due;
};

struct pending_call {
    quorvel_tag handle;
    std::uint64_t value;
};

std::mutex mutex; // guards the tag table, stopping and cycle
std::condition_variable wake;
std::vector<tag> tags; // handle = index + 1
bool stopping;
std::chrono::milliseconds cycle;
const quorvel_config *program; // the program's configuration record
std::thread reporter;
std::thread poller;

tag *find(const std::string &name)
{
    for (tag &t : tags)
        if (t.name == name)
            return &t;
    return nullptr;
}

quorvel_tag handle_of(const tag &t)
{
    return static_cast<quorvel_tag>(&t - tags.data()) + 1;
}

void report_inputs()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        std::vector<pending_call> due;
        wake.wait(lock, [&] {
            for (tag &t : tags) {
                if (t.report_due) {
                    due.push_back({handle_of(t), t.value});
                    t.report_due = false;
                }
            }
            return stopping || !due.empty();
        });
        if (stopping)
            return;
        lock.unlock();
        for (const pending_call &call : due) {
            value_record record = make_record(call.value);
            device_call(call.handle, &record);
        }
        lock.lock();
    }
}

void poll_outputs()
{
    std::unique_lock<std::mutex> lock(mutex);
    while (!wake.wait_for(lock, cycle, [] { return stopping; })) {
        std::vector<pending_call> outputs;
        for (const tag &t : tags)
            if (t.is_output && t.open)
                outputs.push_back({handle_of(t), t.value});
        lock.unlock();
        for (pending_call &call : outputs) {
            value_record record = make_record(call.value);
            device_call(call.handle, &record);
            call.value = record_value(record);
        }
        lock.lock();
        for (const pending_call &call : outputs) {
            tag &t = tags[call.handle - 1];
            if (t.value != call.value) {
                log_event("output " + quoted(t.name) + ' ' + decimal(t.value) + " -> " +
                          decimal(call.value));
                t.value = call.value;
            }
        }
    }
}

} // namespace

void device_configure(const sim_config &config, const quorvel_config *record)
{
    const std::lock_guard<std::mutex> lock(mutex);
    tags.clear();
    for (const tag_setting &setting : config.tags)
        tags.push_back({setting.name, setting.is_output, setting.value, false, false});
    cycle = std::chrono::milliseconds(config.cycle_ms);
    stopping = false;
    program = record;
}

bool device_start()
{
    try {
        reporter = std::thread(report_inputs);
        poller = std::thread(poll_outputs);
        return true;
    } catch (const std::system_error &) {
        device_stop();
        return false;
    }
}

void device_stop()
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    if (reporter.joinable())
        reporter.join();
    if (poller.joinable())
        poller.join();
}

quorvel_tag device_handle(const std::string &name)
{
    const std::lock_guard<std::mutex> lock(mutex);
    const tag *t = find(name);
    return t != nullptr ? handle_of(*t) : 0;
}

quorvel_tag device_open(const std::string &name, bool report_now)
{
    std::unique_lock<std::mutex> lock(mutex);
    tag *t = find(name);
    if (t == nullptr)
        return 0;
    t->open = true;
    const quorvel_tag handle = handle_of(*t);
    if (report_now && !t->is_output) {
        value_record record = make_record(t->value);
        lock.unlock();
        device_call(handle, &record);
    }
    return handle;
}

bool device_is_open(quorvel_tag handle)
{
    const std::lock_guard<std::mutex> lock(mutex);
    return handle >= 1 && handle <= tags.size() && tags[handle - 1].open;
}

bool device_set(const std::string &name, std::uint64_t value)
{
    std::unique_lock<std::mutex> lock(mutex);
    tag *t = find(name);
    if (t == nullptr)
        return false;
    if (t->value != value) {
        log_event("set " + quoted(name) + ' ' + decimal(t->value) + " -> " + decimal(value));
        t->value = value;
        t->report_due = t->open && !t->is_output;
    }
    lock.unlock();
    wake.notify_all();
    return true;
}

bool device_value(quorvel_tag handle, std::uint64_t &value)
{
    const std::lock_guard<std::mutex> lock(mutex);
    if (handle < 1 || handle > tags.size())
        return false;
    value = tags[handle - 1].value;
    return true;
}

int device_call(quorvel_tag handle, value_record *record)
{
    const int result = program->on_update(handle, 0, record, 0);
    if (record != nullptr && !record_tail_intact(*record))
        log_event("fault callback for handle " + std::to_string(handle) +
                  " wrote past the 8-byte value");
    return result;
}

} // namespace quorvel_sim
