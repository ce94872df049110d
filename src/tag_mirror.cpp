// SPDX-License-Identifier: MIT
// tag-mirror: mirrors one tag's 8-byte value onto a digital-output tag.
// All the work happens in on_update_tag, on the SDK's threads.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "quorvel.h"

// Index 0: the monitored tag, index 1: the output tag. Published by main as
// each open returns; a callback for a handle not yet stored matches neither
// and is ignored.
// The handles and the value sit on cache lines of their own, so that reports
// do not keep evicting the handles that every callback reads.
alignas(64) std::atomic<quorvel_tag> tag_opened[2];

// The last value reported for the monitored tag.
alignas(64) std::atomic<std::uint64_t> tag_data;

// C++11 has no is_always_lock_free; this is the compiler's answer to the same
// question, for an object of that size at its natural alignment.
static_assert(__atomic_always_lock_free(sizeof tag_data, 0),
              "the callback must never take a lock to move the value");
static_assert(__atomic_always_lock_free(sizeof tag_opened[0], 0),
              "the callback must never take a lock to read a handle");

namespace {

// Only the value itself crosses threads and nothing is published with it, so
// relaxed order is enough: the atomics guarantee it never tears.
constexpr std::memory_order order = std::memory_order_relaxed;

int on_update_tag(quorvel_tag tag, std::uintptr_t, void *record, std::uintptr_t)
{
    // The SDK keeps the value 8-byte aligned at the start of the record; the
    // rest of the record is not ours to touch.
    std::uint64_t *value = static_cast<std::uint64_t *>(record);
    if (tag == tag_opened[0].load(order))
        tag_data.store(*value, order);
    else if (tag == tag_opened[1].load(order))
        *value = tag_data.load(order);
    return 0;
}

void print_usage(const char *program)
{
    std::printf("This program will monitor the calculation tag if the specified tag value is changed to 1, will turn on another DO tag.\n\nUsage: %s <monitor_tag_name> <write_tag_name> \n\tmonitor_tag_name: Specify the name of the tag for monitoring. (Ex. Valve)\n\twrite_tag_name:  Specify the name of the DO tag for reacting. (Ex. BoardIO:DO.1) \n",
                program);
}

// Started by systemd as a notify service, tells it how the start went: that
// the mirror runs, once both tags are open, or the line that says why not.
// systemctl status shows that line even while a restart is pending, when
// the log it shows starts after the failure. It is one datagram to
// $NOTIFY_SOCKET (a path, or "@" for an abstract name), as systemd documents
// the protocol; libsystemd is not on every gateway. Without the variable,
// or when the datagram does not go, nothing changes: mirroring never
// depends on it.
void notify_systemd(const char *head, const char *name, const char *between = "",
                    const char *other = "")
{
    const char *socket_name = std::getenv("NOTIFY_SOCKET");
    if (socket_name == nullptr || (socket_name[0] != '/' && socket_name[0] != '@'))
        return;
    const std::size_t length = std::strlen(socket_name);
    sockaddr_un address;
    if (length > sizeof address.sun_path)
        return;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socket_name, length);
    if (address.sun_path[0] == '@')
        address.sun_path[0] = '\0';

    // A newline in a tag name would end the status line and start another.
    iovec text[] = {{const_cast<char *>(head), std::strlen(head)},
                    {const_cast<char *>(name), std::strcspn(name, "\n")},
                    {const_cast<char *>(between), std::strlen(between)},
                    {const_cast<char *>(other), std::strcspn(other, "\n")}};
    msghdr message = {};
    message.msg_name = &address;
    message.msg_namelen = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
    message.msg_iov = text;
    message.msg_iovlen = sizeof text / sizeof text[0];
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    sendmsg(fd, &message, MSG_NOSIGNAL);
    close(fd);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        // Started with no argv[0], or the empty one Linux puts in its place,
        // there is no name to show.
        print_usage(argc > 0 && argv[0][0] != '\0' ? argv[0] : "tag-mirror");
        return -1;
    }

    // Lives as long as the SDK runs: main returns only once the SDK is stopped
    // or never started.
    const quorvel_config config = {16, 0, 0, on_update_tag};
    const int error = quorvel_init(2, &config, 0);
    if (error != 0) {
        char line[64];
        std::snprintf(line, sizeof line, "Fail to initialize Quorvel SDK! error = %d", error);
        std::printf("%s\n", line);
        notify_systemd("STATUS=", line);
        return -1;
    }

    // The monitored tag first: once the output tag opens, the SDK starts asking
    // for a value that only the monitored tag's handle can supply.
    for (int i = 0; i < 2; ++i) {
        const char *name = argv[1 + i];
        const quorvel_tag tag = quorvel_open(name, 0);
        // Stored before it is tested: the SDK may call back with it from now on.
        tag_opened[i].store(tag, order);
        if (tag == 0) {
            std::printf("fail to open tag: %s\n", name);
            notify_systemd("STATUS=fail to open tag: ", name);
            quorvel_uninit();
            return -4;
        }
    }
    notify_systemd("READY=1\nSTATUS=Mirroring ", argv[1], " onto ", argv[2]);

    for (;;)
        sleep(1);
}
