// SPDX-License-Identifier: MIT
// tag_mirror_tests [gtest flags] --tag-mirror=PATH --library-path=DIR [--launcher=ARG ...]
// --library-path is where the simulator's libQuorvel.so is; --launcher gives,
// one argument per flag, the emulator that runs a cross-built tag-mirror
// (qemu-arm -L SYSROOT).
#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

#include "harness.h"

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    tests::target &t = tests::under_test();
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strncmp(arg, "--tag-mirror=", 13) == 0) {
            t.tag_mirror = arg + 13;
        } else if (std::strncmp(arg, "--library-path=", 15) == 0) {
            t.library_path = arg + 15;
        } else if (std::strncmp(arg, "--launcher=", 11) == 0) {
            t.launcher.emplace_back(arg + 11);

        } else {
            std::fprintf(stderr, "unknown argument: %s\n", arg);
            return 2;
        }
    }
    if (t.tag_mirror.empty() || t.library_path.empty()) {
        std::fprintf(stderr,
                     "usage: %s [gtest flags] --tag-mirror=PATH --library-path=DIR "
                     "[--launcher=ARG ...]\n",
                     argv[0]);
        return 2;
    }
    const int failed = RUN_ALL_TESTS();
    // A filter that selects nothing, say after a fixture was renamed, would
    // otherwise pass without having tested anything.
    if (::testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
        std::fprintf(stderr, "no test matches --gtest_filter=%s\n",
                     GTEST_FLAG_GET(filter).c_str());
        return 1;
    }
    return failed;
}
