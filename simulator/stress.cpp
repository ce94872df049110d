// SPDX-License-Identifier: MIT
#include "stress.h"

#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>
#include <vector>

#include "device.h"

namespace quorvel_sim {

namespace {

// The low half is the complement of the high half; zero is the program's
// value before any report.
std::uint64_t checked_value(std::uint32_t n)
{
    return static_cast<std::uint64_t>(n) << 32 | static_cast<std::uint32_t>(~n);
}

bool whole(std::uint64_t value)
{
    return value == 0 || checked_value(static_cast<std::uint32_t>(value >> 32)) == value;
}

} // namespace

bool run_stress(quorvel_tag monitored, quorvel_tag output, unsigned reporters, unsigned readers,
                std::uint64_t calls, stress_result &result)
{
    std::atomic<std::uint64_t> torn{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    bool started = true;
    try {
        for (unsigned r = 0; r < reporters; ++r) {
            threads.emplace_back([&, r] {
                while (!go.load())
                    std::this_thread::yield();
                // Each reporter walks its own stretch of values, so consecutive
                // reports differ in both halves.
                std::uint32_t n = r * 0x10000000u + 1;
                for (std::uint64_t i = 0; i < calls; ++i, ++n) {
                    value_record record = make_record(checked_value(n));
                    device_call(monitored, &record);
                }
            });
        }
        for (unsigned r = 0; r < readers; ++r) {
            threads.emplace_back([&] {
                while (!go.load())
                    std::this_thread::yield();
                std::uint64_t bad = 0;
                for (std::uint64_t i = 0; i < calls; ++i) {
                    value_record record = make_record(0);
                    device_call(output, &record);
                    if (!whole(record_value(record)))
                        ++bad;
                }
                torn += bad;
            });
        }
    } catch (const std::system_error &) {
        started = false;
    }
    go = true;
    for (std::thread &t : threads)
        t.join();
    result = {reporters * calls, readers * calls, torn.load()};
    return started;
}

void run_callback_storm(unsigned ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    auto storm = [until] {
        while (std::chrono::steady_clock::now() < until) {
            for (quorvel_tag handle = 1;; ++handle) {
                std::uint64_t value = 0;
                const bool known = device_value(handle, value);
                value_record record = make_record(value);
                device_call(handle, &record);
                if (!known)
                    break; // the one handle past the table
            }
        }
    };
    try {
        std::thread(storm).join();
    } catch (const std::system_error &) {
        storm(); // no thread to spare: the storm comes from the opening thread itself
    }
}

} // namespace quorvel_sim
