// SPDX-License-Identifier: MIT
// What quorvel_init returns when the simulator itself cannot start. Kept in
// one place, far from small numbers, so a test or a person reading
// "error = -1001" knows at once that the simulator refused, not the device.
#ifndef QUORVEL_SIM_ERRORS_H
#define QUORVEL_SIM_ERRORS_H

namespace quorvel_sim {

enum init_error : int {
    init_error_bad_config = -1001,      // an environment variable could not be read
    init_error_already_running = -1002, // quorvel_init called twice without uninit
    init_error_control_socket = -1003,  // the control socket could not be set up
    init_error_event_log = -1004,       // the event log file could not be opened
    init_error_no_threads = -1005,      // the device threads could not be started
    init_error_out_of_memory = -1006,
};

} // namespace quorvel_sim

#endif
