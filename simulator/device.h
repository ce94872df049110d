// SPDX-License-Identifier: MIT
// The simulated tag device: its tag table and the two threads that call the
// program back, one reporting input tags as they change, one asking for every
// open output's value on a fixed cycle and applying the answer.
#ifndef QUORVEL_SIM_DEVICE_H
#define QUORVEL_SIM_DEVICE_H

#include <cstdint>
#include <string>

#include "quorvel.h"
#include "sim_config.h"
#include "value_record.h"

namespace quorvel_sim {

// Loads the tag table and keeps the program's configuration record, as the
// SDK may: every call to the program's callback goes through the record, so
// a record that did not outlive the SDK shows. No thread runs yet.
void device_configure(const sim_config &config, const quorvel_config *record);
// False if a thread could not be started (nothing is left running then).
bool device_start();
// Stops and joins the threads; no callback runs once it returns.
void device_stop();

// The handle a tag has, open or not; 0 for a name the device does not know.
// The same name always gets the same handle.
quorvel_tag device_handle(const std::string &name);
// Opens a known tag and returns its handle, or 0. With report_now, an input
// tag's current value is reported before the handle is returned.
quorvel_tag device_open(const std::string &name, bool report_now);

// True once the tag behind the handle has been opened.
bool device_is_open(quorvel_tag handle);

// Sets a tag's value as the field would: an open input is reported if it changed.
bool device_set(const std::string &name, std::uint64_t value);
// A tag's value, an output's last written; false for a handle no tag has.
bool device_value(quorvel_tag handle, std::uint64_t &value);

// Calls the program's callback the way the device does.
int device_call(quorvel_tag handle, value_record *record);

} // namespace quorvel_sim

#endif
