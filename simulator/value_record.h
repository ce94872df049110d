// SPDX-License-Identifier: MIT
// The record the simulator hands to the update callback. It is longer than the
// 8-byte value and the rest is filled with a known pattern, so that any write
// past the value shows.
#ifndef QUORVEL_SIM_VALUE_RECORD_H
#define QUORVEL_SIM_VALUE_RECORD_H

#include <cstdint>
#include <cstring>

namespace quorvel_sim {

struct alignas(8) value_record {
    unsigned char bytes[64];
};

constexpr unsigned char record_fill = 0xa5;

inline value_record make_record(std::uint64_t value)
{
    value_record record;
    std::memset(record.bytes, record_fill, sizeof record.bytes);
    std::memcpy(record.bytes, &value, sizeof value);
    return record;
}

inline std::uint64_t record_value(const value_record &record)
{
    std::uint64_t value;
    std::memcpy(&value, record.bytes, sizeof value);
    return value;
}

inline bool record_tail_intact(const value_record &record)
{
    for (std::size_t i = sizeof(std::uint64_t); i < sizeof record.bytes; ++i)
        if (record.bytes[i] != record_fill)
            return false;
    return true;
}

} // namespace quorvel_sim

#endif
