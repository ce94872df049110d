// SPDX-License-Identifier: MIT
// The control commands, one verb one effect. Every reply is one line that
// starts with "ok" or "error: ".
//
//   set NAME VALUE        set a tag as the field would (inputs are then reported)
//   get NAME              -> ok DECIMAL HEX   the tag's value, an output's last written
//   handle NAME           -> ok HANDLE        the handle the tag has, open or not
//   call HANDLE VALUE|null -> ok RESULT HEX   call the callback with a 64-byte record
//                                             holding VALUE; HEX is the whole record after
//   stress MONITOR OUTPUT REPORTERS READERS CALLS
//                         -> ok reports=N handbacks=N torn=N
//   help                  -> ok and the verbs
//
// NAME is escaped as text_codec.h says; VALUE is a decimal integer,
// float:NUMBER or bytes:16HEX.
#ifndef QUORVEL_SIM_COMMANDS_H
#define QUORVEL_SIM_COMMANDS_H

#include <string>

namespace quorvel_sim {

std::string run_command(const std::string &line);

} // namespace quorvel_sim

#endif
