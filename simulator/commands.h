// SPDX-License-Identifier: MIT
// The control commands, one verb one effect (command_help.h lists them).
// A request line is parsed as text_codec.h says; the reply is one line that
// starts with "ok" or "error: ".
#ifndef QUORVEL_SIM_COMMANDS_H
#define QUORVEL_SIM_COMMANDS_H

#include <string>

namespace quorvel_sim {

std::string run_command(const std::string &line);

} // namespace quorvel_sim

#endif
