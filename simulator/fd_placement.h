// SPDX-License-Identifier: MIT
#ifndef QUORVEL_SIM_FD_PLACEMENT_H
#define QUORVEL_SIM_FD_PLACEMENT_H

#include <fcntl.h>
#include <unistd.h>

namespace quorvel_sim {

// A descriptor the simulator keeps open must not be 0, 1 or 2: in a program
// started with its standard output closed, the program's messages would
// otherwise land in the simulator's log or socket. Returns the descriptor
// moved to 3 or above (close-on-exec), or -1.
inline int above_standard_fds(int fd)
{
    if (fd < 0 || fd > 2)
        return fd;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    return moved;
}

} // namespace quorvel_sim

#endif
