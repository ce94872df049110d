// SPDX-License-Identifier: MIT
// The simulator's settings, read from the environment when quorvel_init runs.
#ifndef QUORVEL_SIM_CONFIG_H
#define QUORVEL_SIM_CONFIG_H

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel_sim {

struct tag_setting {
    std::string name;
    bool is_output;
    std::uint64_t value;
};

struct sim_config {
    int init_result = 0;              // QUORVEL_SIM_INIT_RESULT
    unsigned cycle_ms = 10;           // QUORVEL_SIM_CYCLE_MS: output poll period
    std::string socket_path;          // QUORVEL_SIM_SOCKET
    std::string event_log_path;       // QUORVEL_SIM_EVENT_LOG (empty: no log)
    bool report_in_open = false;      // QUORVEL_SIM_REPORT_IN_OPEN
    unsigned open_storm_ms = 0;       // QUORVEL_SIM_OPEN_STORM_MS: callbacks during each open
    int handle_signal = 0;            // QUORVEL_SIM_HANDLE_SIGNAL: a signal the SDK takes (0: none)
    std::vector<tag_setting> tags;    // defaults, then QUORVEL_SIM_INPUTS / _OUTPUTS
};

// Fills config from the environment. On a bad setting, returns false and
// error names the variable, what it holds and what it should hold.
bool load_config(sim_config &config, std::string &error);

} // namespace quorvel_sim

#endif
