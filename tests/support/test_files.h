// SPDX-License-Identifier: MIT
// A test's files: where they go (under TMPDIR, or /tmp, like everything else
// a test run makes) and how they are read back.
#ifndef TAG_MIRROR_TESTS_TEST_FILES_H
#define TAG_MIRROR_TESTS_TEST_FILES_H

#include <initializer_list>
#include <string>
#include <vector>

namespace tests {

// Makes a private directory for one test, with room in its path for a Unix
// socket named `socket`; fails the test, with why, and returns "" if not.
std::string make_test_directory(const std::string &prefix, const std::string &socket);

// Removes such a directory with the files of these names in it; fails the
// test, naming what is left, if anything else was left there.
void remove_test_directory(const std::string &directory, std::initializer_list<const char *> files);

// A file's whole contents; "" if there is none.
std::string read_file(const std::string &path);

// The lines of a simulator's event log, time stamps stripped.
std::vector<std::string> logged_events(const std::string &log);

} // namespace tests

#endif
