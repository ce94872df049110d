// SPDX-License-Identifier: MIT
// The event log: one time-stamped line per SDK call the program makes and per
// change the simulated device sees, appended to a file that other processes
// read (tests after the program has exited, a person with tail -f).
#ifndef QUORVEL_SIM_EVENT_LOG_H
#define QUORVEL_SIM_EVENT_LOG_H

#include <string>

namespace quorvel_sim {

// An empty path logs nothing. False, with errno set, if the file cannot be opened.
bool event_log_open(const std::string &path);
void event_log_close();

// Appends "HH:MM:SS.mmm <event>\n" as one write. With no log open (before
// quorvel_init opens it, after quorvel_uninit closes it) the line goes to the
// file at `unopened_path`, if one is given, opened for this line alone.
void log_event(const std::string &event, const std::string &unopened_path = "");

// A tag name as it stands in the log: quoted and escaped.
std::string quoted(const std::string &name);

} // namespace quorvel_sim

#endif
