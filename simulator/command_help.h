// SPDX-License-Identifier: MIT
// The control commands, as quorvel-sim's help prints them and the `help`
// command answers them (on one line). Every reply is one line that starts
// with "ok" or "error: ".
#ifndef QUORVEL_SIM_COMMAND_HELP_H
#define QUORVEL_SIM_COMMAND_HELP_H

namespace quorvel_sim {

inline constexpr char command_help[] =
    "set NAME VALUE      set a tag as the field would; an open input is reported\n"
    "get NAME            -> DECIMAL HEX: the tag's value, an output's as last written\n"
    "handle NAME         -> HANDLE: the handle the tag has, open or not\n"
    "call HANDLE VALUE   -> RESULT HEX: call the program's callback with a 64-byte\n"
    "                    record holding VALUE (or null: no record); HEX is the record after\n"
    "stress MONITOR OUTPUT REPORTERS READERS CALLS\n"
    "                    -> reports=N handbacks=N torn=N: REPORTERS and READERS threads\n"
    "                    (0 to 16) make CALLS callbacks each; torn counts hand-backs\n"
    "                    that were half one value, half another\n"
    "help                this list\n"
    "VALUE is a decimal integer (-5), float:NUMBER (float:1.0) or bytes:16HEX\n"
    "(bytes:0100000000000000: the 8 bytes in memory order).\n";

} // namespace quorvel_sim

#endif
