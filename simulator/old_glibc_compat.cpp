// SPDX-License-Identifier: MIT
// Built only against a glibc older than the one the compiler's static
// libstdc++ was made for (a cross build for Debian 11): the two symbols that
// libstdc++ asks of glibc and glibc 2.31 does not have. Hidden, so that the
// simulator still exports nothing but the SDK's functions.
#include <sys/random.h>

extern "C" {

#ifndef HAVE_LIBC_SINGLE_THREADED
// Zero says "other threads may run", so libstdc++ always takes its atomic
// paths: never wrong, only a little slower.
// NOLINTNEXTLINE(bugprone-reserved-identifier): glibc's own name
extern __attribute__((visibility("hidden"))) char __libc_single_threaded;
char __libc_single_threaded = 0; // NOLINT(bugprone-reserved-identifier)
#endif

#ifndef HAVE_ARC4RANDOM
// Only std::random_device's default source asks for it.
__attribute__((visibility("hidden"))) unsigned arc4random(void);
unsigned arc4random(void)
{
    unsigned value = 0;
    while (getrandom(&value, sizeof value, 0) != static_cast<long>(sizeof value)) {
    }
    return value;
}
#endif
}
