// SPDX-License-Identifier: MIT
#include "commands.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "command_help.h"
#include "device.h"
#include "stress.h"
#include "text_codec.h"

namespace quorvel_sim {

namespace {

using args = std::vector<std::string>;

std::string fail(const std::string &why)
{
    return "error: " + why;
}

bool read_count(const std::string &text, std::uint64_t max, std::uint64_t &value)
{
    char *end = nullptr;
    errno = 0;
    const unsigned long long n = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || text[0] == '-' || *end != '\0' || errno == ERANGE || n > max)
        return false;
    value = n;
    return true;
}

// A known tag's handle, or 0 with error saying why.
quorvel_tag known_tag(const std::string &name, std::string &error)
{
    const quorvel_tag handle = device_handle(name);
    if (handle == 0)
        error = fail("no tag named '" + escape(name) + "'");
    return handle;
}

std::string set_verb(const args &a)
{
    std::string error;
    std::uint64_t value = 0;
    if (known_tag(a[1], error) == 0)
        return error;
    if (!parse_value(a[2], value, error))
        return fail(error);
    device_set(a[1], value);
    return "ok";
}

std::string get_verb(const args &a)
{
    std::string error;
    std::uint64_t value = 0;
    const quorvel_tag handle = known_tag(a[1], error);
    if (handle == 0)
        return error;
    device_value(handle, value);
    return "ok " + decimal(value) + ' ' + hex_bytes(&value, sizeof value);
}

std::string handle_verb(const args &a)
{
    std::string error;
    const quorvel_tag handle = known_tag(a[1], error);
    return handle != 0 ? "ok " + std::to_string(handle) : error;
}

std::string call_verb(const args &a)
{
    std::uint64_t handle = 0;
    if (!read_count(a[1], UINTPTR_MAX, handle) || handle == 0)
        return fail("expected a non-zero handle, got '" + escape(a[1]) + "'");
    const auto tag = static_cast<quorvel_tag>(handle);
    if (a[2] == "null") {
        // The device never passes a null record for a tag it has opened, and
        // the program may rely on that.
        if (device_is_open(tag))
            return fail("a null record is only ever sent with a handle that is not open");
        return "ok " + std::to_string(device_call(tag, nullptr)) + " null";
    }
    std::uint64_t value = 0;
    std::string error;
    if (!parse_value(a[2], value, error))
        return fail(error);
    value_record record = make_record(value);
    const int result = device_call(tag, &record);
    return "ok " + std::to_string(result) + ' ' + hex_bytes(record.bytes, sizeof record.bytes);
}

std::string stress_verb(const args &a)
{
    std::string error;
    const quorvel_tag monitored = known_tag(a[1], error);
    const quorvel_tag output = monitored != 0 ? known_tag(a[2], error) : 0;
    std::uint64_t reporters = 0, readers = 0, calls = 0;
    if (output == 0)
        return error;
    if (!read_count(a[3], 16, reporters) || !read_count(a[4], 16, readers) ||
        !read_count(a[5], 100000000, calls))
        return fail("expected REPORTERS and READERS from 0 to 16 and CALLS up to 100000000");
    stress_result result{};
    if (!run_stress(monitored, output, static_cast<unsigned>(reporters),
                    static_cast<unsigned>(readers), calls, result))
        return fail("could not start the stress threads");
    return "ok reports=" + std::to_string(result.reports) +
           " handbacks=" + std::to_string(result.handbacks) +
           " torn=" + std::to_string(result.torn);
}

struct verb {
    const char *name;
    std::size_t arguments;
    std::string (*run)(const args &);
};

const verb verbs[] = {
    {"set", 2, set_verb},   {"get", 1, get_verb},       {"handle", 1, handle_verb},
    {"call", 2, call_verb}, {"stress", 5, stress_verb},
};

// The help on one line, as a reply must be.
std::string help_line()
{
    std::string line = "ok ";
    for (const char *c = command_help; *c != '\0'; ++c) {
        if (*c != '\n')
            line += *c;
        else if (c[1] != '\0')
            line += " | ";
    }
    return line;
}

} // namespace

std::string run_command(const std::string &line)
{
    args a;
    std::string error;
    if (!parse_request(line, a, error))
        return fail(error);
    if (a.empty() || a[0] == "help")
        return help_line();
    for (const verb &v : verbs) {
        if (a[0] != v.name)
            continue;
        if (a.size() != v.arguments + 1)
            return fail(a[0] + " takes " + std::to_string(v.arguments) +
                        " argument(s); \"help\" lists the commands");
        return v.run(a);
    }
    return fail("unknown command '" + escape(a[0]) + "'; \"help\" lists the commands");
}

} // namespace quorvel_sim
