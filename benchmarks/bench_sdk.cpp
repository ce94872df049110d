// SPDX-License-Identifier: MIT
// A libQuorvel.so for benchmarking. The real tag-mirror loads it like the
// gateway's SDK; once both tags are open it measures the program's callback,
// called the way the SDK calls it (through the pointer in the configuration
// record), next to a bare atomic access (the floor) and to a mutex-guarded
// copy (what a naive mirror would cost). Results go to standard error, then
// the process ends.
//
// TAG_MIRROR_BENCH_ARGS: Google Benchmark flags, space-separated.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "quorvel.h"
#include "summary.h"

#define QUORVEL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

quorvel_update_fn program_callback;
constexpr quorvel_tag monitored = 1;
constexpr quorvel_tag output = 2;
constexpr quorvel_tag unknown = 3;
quorvel_tag next_handle = monitored;

// The SDK's value record: the 8-byte value first, then what is not ours.
using value_record = std::uint64_t[8];

// The naive mirror: the same callback with the value behind a mutex.
std::mutex naive_mutex;
std::uint64_t naive_value;
int naive_update_tag(quorvel_tag tag, std::uintptr_t, void *data, std::uintptr_t)
{
    auto *value = static_cast<std::uint64_t *>(data);
    const std::lock_guard<std::mutex> lock(naive_mutex);
    if (tag == monitored)
        naive_value = *value;
    else if (tag == output)
        *value = naive_value;
    return 0;
}

// What any callback costs the SDK: the call itself.
int empty_update_tag(quorvel_tag, std::uintptr_t, void *, std::uintptr_t)
{
    return 0;
}

quorvel_update_fn naive = naive_update_tag;
quorvel_update_fn empty = empty_update_tag;

// Calls *callback as the SDK would: through a pointer read at run time.
void call(benchmark::State &state, const quorvel_update_fn *callback, quorvel_tag tag)
{
    value_record record{};
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
        record[0] = static_cast<std::uint64_t>(state.iterations());
        (*callback)(tag, 0, record, 0);
        benchmark::DoNotOptimize(record[0]);
    }
}

void report(benchmark::State &state, const quorvel_update_fn *callback)
{
    call(state, callback, monitored);
}
void hand_back(benchmark::State &state, const quorvel_update_fn *callback)
{
    call(state, callback, output);
}
void unknown_handle(benchmark::State &state, const quorvel_update_fn *callback)
{
    call(state, callback, unknown);
}
// Thread 0 reports while thread 1 asks for the value.
void report_and_hand_back(benchmark::State &state, const quorvel_update_fn *callback)
{
    call(state, callback, state.thread_index() == 0 ? monitored : output);
}

BENCHMARK_CAPTURE(report, tag_mirror, &program_callback);
BENCHMARK_CAPTURE(hand_back, tag_mirror, &program_callback);
BENCHMARK_CAPTURE(unknown_handle, tag_mirror, &program_callback);
BENCHMARK_CAPTURE(report_and_hand_back, tag_mirror, &program_callback)->Threads(2)->UseRealTime();
BENCHMARK_CAPTURE(report, mutex_baseline, &naive);
BENCHMARK_CAPTURE(hand_back, mutex_baseline, &naive);
BENCHMARK_CAPTURE(unknown_handle, mutex_baseline, &naive);
BENCHMARK_CAPTURE(report_and_hand_back, mutex_baseline, &naive)->Threads(2)->UseRealTime();
BENCHMARK_CAPTURE(report, empty_callback, &empty);

// The floor: a bare 8-byte atomic store or load, inline, no call.
std::atomic<std::uint64_t> floor_value;

void atomic_store(benchmark::State &state)
{
    for (auto _ : state) // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
        floor_value.store(static_cast<std::uint64_t>(state.iterations()),
                          std::memory_order_relaxed);
}
// cppcheck-suppress constParameterCallback ; the benchmark loop changes the state
void atomic_load(benchmark::State &state)
{
    for (auto _ : state) // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
        benchmark::DoNotOptimize(floor_value.load(std::memory_order_relaxed));
}
void atomic_store_and_load(benchmark::State &state)
{
    if (state.thread_index() == 0)
        atomic_store(state);
    else
        atomic_load(state);
}

BENCHMARK(atomic_store);
BENCHMARK(atomic_load);
BENCHMARK(atomic_store_and_load)->Threads(2)->UseRealTime();

// Handles are published by tag-mirror only after each open returns: wait until
// a report through the monitored handle comes back through the output handle.
void wait_until_wired()
{
    value_record record{};
    for (const std::uint64_t probe = 0x5a5a5a5a5a5a5a5aULL;; std::this_thread::yield()) {
        record[0] = probe;
        program_callback(monitored, 0, record, 0);
        record[0] = 0;
        program_callback(output, 0, record, 0);
        if (record[0] == probe)
            return;
    }
}

void run_all()
{
    wait_until_wired();
    std::vector<std::string> words = {"tag-mirror-bench"};
    if (const char *args = std::getenv("TAG_MIRROR_BENCH_ARGS")) {
        std::istringstream in(args);
        for (std::string word; in >> word;)
            words.push_back(word);
    }
    std::vector<char *> argv;
    argv.reserve(words.size());
    for (std::string &w : words)
        argv.push_back(&w[0]);
    int argc = static_cast<int>(argv.size());
    benchmark::Initialize(&argc, argv.data());
    summary_reporter reporter(std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print_summary();
    std::fflush(stderr);
    _exit(0); // tag-mirror never returns by itself
}

} // namespace

QUORVEL_EXPORT int quorvel_init(int, const quorvel_config *config, std::uintptr_t)
{
    program_callback = config->on_update;
    return 0;
}

QUORVEL_EXPORT quorvel_tag quorvel_open(const char *, std::uintptr_t)
{
    const quorvel_tag handle = next_handle++;
    if (handle == output)
        std::thread(run_all).detach();
    return handle;
}

QUORVEL_EXPORT int quorvel_uninit(void)
{
    return 0;
}
