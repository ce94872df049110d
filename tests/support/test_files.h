// SPDX-License-Identifier: MIT
// Where a test keeps its files: under TMPDIR, or /tmp, like everything else
// a test run makes.
#ifndef TAG_MIRROR_TESTS_TEST_FILES_H
#define TAG_MIRROR_TESTS_TEST_FILES_H

#include <string>

namespace tests {

// Makes a private directory for one test, with room in its path for a Unix
// socket named `socket`; fails the test, with why, and returns "" if not.
std::string make_test_directory(const std::string &prefix, const std::string &socket);

} // namespace tests

#endif
