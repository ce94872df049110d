// SPDX-License-Identifier: MIT
#include "text_codec.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace quorvel_sim {

namespace {

const char hex_digits[] = "0123456789abcdef";

// escape() never leaves a '"' standing for itself, so this can only mean "".
const char empty_argument[] = "\"\"";

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool starts_with(const std::string &text, const char *prefix, std::string &rest)
{
    const std::size_t n = std::strlen(prefix);
    if (text.compare(0, n, prefix) != 0)
        return false;
    rest = text.substr(n);
    return true;
}

} // namespace

std::string escape(const std::string &raw)
{
    std::string out;
    out.reserve(raw.size());
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > ' ' && byte < 0x7f && c != '"' && c != '\\') {
            out += c;
        } else {
            out += "\\x";
            out += hex_digits[byte >> 4];
            out += hex_digits[byte & 0xf];
        }
    }
    return out;
}

bool unescape(const std::string &text, std::string &raw)
{
    raw.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            raw += text[i];
            continue;
        }
        if (i + 3 >= text.size() || text[i + 1] != 'x')
            return false;
        const int high = hex_value(text[i + 2]);
        const int low = hex_value(text[i + 3]);
        if (high < 0 || low < 0)
            return false;
        raw += static_cast<char>(high << 4 | low);
        i += 3;
    }
    return true;
}

std::string request_line(const std::vector<std::string> &arguments)
{
    std::string line;
    for (const std::string &argument : arguments) {
        if (!line.empty())
            line += ' ';
        line += argument.empty() ? empty_argument : escape(argument);
    }
    return line;
}

bool parse_request(const std::string &line, std::vector<std::string> &arguments,
                   std::string &error)
{
    arguments.clear();
    std::size_t start = 0;
    while (start < line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string::npos)
            end = line.size();
        const std::string token = line.substr(start, end - start);
        start = end + 1;
        if (token.empty())
            continue;
        std::string raw;
        if (token != empty_argument && !unescape(token, raw)) {
            error = "malformed escape in '" + token + "'";
            return false;
        }
        arguments.push_back(raw);
    }
    return true;
}

bool parse_value(const std::string &text, std::uint64_t &value, std::string &error)
{
    std::string rest;
    if (starts_with(text, "bytes:", rest)) {
        if (rest.size() != 16) {
            error = "bytes: takes exactly 16 hex digits, got '" + escape(rest) + "'";
            return false;
        }
        unsigned char bytes[8];
        for (std::size_t i = 0; i < 8; ++i) {
            const int high = hex_value(rest[2 * i]);
            const int low = hex_value(rest[2 * i + 1]);
            if (high < 0 || low < 0) {
                error = "bytes: takes hex digits only, got '" + escape(rest) + "'";
                return false;
            }
            bytes[i] = static_cast<unsigned char>(high << 4 | low);
        }
        std::memcpy(&value, bytes, sizeof value);
        return true;
    }
    const bool is_float = starts_with(text, "float:", rest);
    if (!is_float)
        rest = text;
    if (rest.empty() || std::isspace(static_cast<unsigned char>(rest[0])) != 0) {
        error = "expected a value, got '" + escape(text) + "'";
        return false;
    }
    char *end = nullptr;
    errno = 0;
    if (is_float) {
        const double number = std::strtod(rest.c_str(), &end);
        if (*end != '\0' || errno == ERANGE) {
            error = "float: takes a decimal number, got '" + escape(rest) + "'";
            return false;
        }
        std::memcpy(&value, &number, sizeof value);
        return true;
    }
    const long long number = std::strtoll(rest.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE) {
        error = "expected a 64-bit decimal integer, float:<number> or bytes:<16 hex digits>, got '" +
                escape(text) + "'";
        return false;
    }
    value = static_cast<std::uint64_t>(number);
    return true;
}

std::string hex_bytes(const void *data, std::size_t size)
{
    const auto *bytes = static_cast<const unsigned char *>(data);
    std::string out;
    out.reserve(2 * size);
    for (std::size_t i = 0; i < size; ++i) {
        out += hex_digits[bytes[i] >> 4];
        out += hex_digits[bytes[i] & 0xf];
    }
    return out;
}

std::string decimal(std::uint64_t value)
{
    return std::to_string(static_cast<long long>(value));
}

} // namespace quorvel_sim
