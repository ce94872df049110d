// SPDX-License-Identifier: MIT
// Text forms shared by the simulator and its clients: escaped names and
// 8-byte values, so that any byte string crosses the line protocol and the
// event log intact.
#ifndef QUORVEL_SIM_TEXT_CODEC_H
#define QUORVEL_SIM_TEXT_CODEC_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel_sim {

// Printable ASCII other than space, '"' and '\' stands for itself; every
// other byte becomes \xNN. The result holds no space, so it is one token.
std::string escape(const std::string &raw);

// The inverse of escape(); false on a malformed escape.
bool unescape(const std::string &text, std::string &raw);

// A control request from raw arguments: each escaped, an empty one written
// as "" (a '"' never stands for itself), joined by spaces.
std::string request_line(const std::vector<std::string> &arguments);

// The raw arguments of a request line, however many spaces separate them.
// False, with error saying why, on a malformed escape.
bool parse_request(const std::string &line, std::vector<std::string> &arguments,
                   std::string &error);

// Parses a value: a decimal integer ("-5"), "float:<number>" ("float:1.0")
// or "bytes:<16 hex digits>" (the 8 bytes in memory order). On failure,
// error says what is wrong.
bool parse_value(const std::string &text, std::uint64_t &value, std::string &error);

// Lower-case hex of the bytes in memory order.
std::string hex_bytes(const void *data, std::size_t size);

// The value as a signed decimal, the way a person reads a DO or a counter.
std::string decimal(std::uint64_t value);

} // namespace quorvel_sim

#endif
