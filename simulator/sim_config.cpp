// SPDX-License-Identifier: MIT
#include "sim_config.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "socket_path.h"
#include "text_codec.h"

namespace quorvel_sim {

namespace {

constexpr long max_cycle_ms = 60000;

bool read_long(const char *variable, long min, long max, long &out, std::string &error)
{
    const char *text = std::getenv(variable);
    if (text == nullptr)
        return true;
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || errno == ERANGE || value < min || value > max) {
        error = std::string(variable) + "='" + escape(text) + "': expected a whole number from " +
                std::to_string(min) + " to " + std::to_string(max);
        return false;
    }
    out = value;
    return true;
}

void add_tag(std::vector<tag_setting> &tags, const tag_setting &setting)
{
    for (tag_setting &tag : tags) {
        if (tag.name == setting.name) {
            tag = setting;
            return;
        }
    }
    tags.push_back(setting);
}

// "Name,Other=1,Third=float:2.5": comma-separated names, each with an
// optional initial value after the last '='.
bool read_tags(const char *variable, bool is_output, std::vector<tag_setting> &tags,
               std::string &error)
{
    const char *text = std::getenv(variable);
    if (text == nullptr)
        return true;
    const std::string list = text;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(',', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string entry = list.substr(start, end - start);
        start = end + 1;
        tag_setting setting{entry, is_output, 0};
        const std::size_t equals = entry.rfind('=');
        if (equals != std::string::npos) {
            setting.name = entry.substr(0, equals);
            std::string why;
            if (!parse_value(entry.substr(equals + 1), setting.value, why)) {
                error = std::string(variable) + ": tag '" + escape(setting.name) + "': " + why;
                return false;
            }
        }
        if (setting.name.empty()) {
            error = std::string(variable) + "='" + escape(list) +
                    "': expected comma-separated tag names, each optionally =VALUE, none empty";
            return false;
        }
        add_tag(tags, setting);
    }
    return true;
}

} // namespace

bool load_config(sim_config &config, std::string &error)
{
    config = sim_config{};
    config.tags.push_back({"Valve", false, 0});
    for (int i = 0; i < 8; ++i)
        config.tags.push_back({"BoardIO:DO." + std::to_string(i), true, 0});

    long init_result = 0;
    long cycle_ms = static_cast<long>(config.cycle_ms);
    long report_in_open = 0;
    long open_storm_ms = 0;
    long handle_signal = 0;
    if (!read_long("QUORVEL_SIM_INIT_RESULT", INT_MIN, INT_MAX, init_result, error) ||
        !read_long("QUORVEL_SIM_CYCLE_MS", 1, max_cycle_ms, cycle_ms, error) ||
        !read_long("QUORVEL_SIM_REPORT_IN_OPEN", 0, 1, report_in_open, error) ||
        !read_long("QUORVEL_SIM_OPEN_STORM_MS", 0, max_cycle_ms, open_storm_ms, error) ||
        !read_long("QUORVEL_SIM_HANDLE_SIGNAL", 0, 64, handle_signal, error) ||
        !read_tags("QUORVEL_SIM_INPUTS", false, config.tags, error) ||
        !read_tags("QUORVEL_SIM_OUTPUTS", true, config.tags, error))
        return false;
    config.init_result = static_cast<int>(init_result);
    config.cycle_ms = static_cast<unsigned>(cycle_ms);
    config.report_in_open = report_in_open != 0;
    config.open_storm_ms = static_cast<unsigned>(open_storm_ms);
    config.handle_signal = static_cast<int>(handle_signal);

    config.socket_path = default_socket_path();
    const char *event_log = std::getenv("QUORVEL_SIM_EVENT_LOG");
    if (event_log != nullptr)
        config.event_log_path = event_log;
    return true;
}

} // namespace quorvel_sim
