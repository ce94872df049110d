/* SPDX-License-Identifier: MIT */
/*
 * sdk_probe GPIOCHIP SERIAL: does, once each, what a vendor's SDK may need to
 * do to reach its I/O, and prints one line per thing tried: "ok: WHAT" or
 * "FAILED: WHAT: why". Exit status 0 when everything worked. Run on the
 * gateway under the shipped unit's settings, it shows whether the unit's
 * hardening leaves an SDK room to work. Plain C, as such an SDK would be.
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/gpio.h>
#include <mqueue.h>
#include <semaphore.h>
#include <stdarg.h>
#include <stdbool.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/msg.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

/* What every service gets from systemd unless its unit says otherwise. */
static const mode_t default_umask = 022;

static int failures;

/* The outcome of one step; when it failed, errno says why. */
static void report(bool ok, const char *format, ...) __attribute__((format(printf, 2, 3)));
static void report(bool ok, const char *format, ...)
{
    const int error = errno;
    va_list what;
    va_start(what, format);
    fputs(ok ? "ok: " : "FAILED: ", stdout);
    vprintf(format, what);
    va_end(what);
    if (ok) {
        putchar('\n');
    } else {
        printf(": %s\n", strerror(error));
        ++failures;
    }
}

static bool write_text(const char *path, const char *text)
{
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = write(fd, text, strlen(text)) == (ssize_t)strlen(text);
    const int error = errno;
    close(fd);
    errno = error;
    return written;
}

/* Files and sockets get the mode they ask for, less the default umask only. */
static bool mode_is(const char *path, mode_t asked)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return false;
    const mode_t wanted = asked & ~default_umask;
    if ((st.st_mode & 07777) == wanted)
        return true;
    printf("  %s has mode %04o, not %04o\n", path, st.st_mode & 07777, wanted);
    errno = EACCES;
    return false;
}

static void gpio_character_device(const char *chip)
{
    const int fd = open(chip, O_RDWR | O_CLOEXEC);
    struct gpiochip_info info;
    report(fd >= 0 && ioctl(fd, GPIO_GET_CHIPINFO_IOCTL, &info) == 0,
           "open %s read-write and ask for its lines", chip);
    if (fd >= 0)
        close(fd);
}

static void serial_device(const char *tty)
{
    const int fd = open(tty, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    struct termios settings;
    report(fd >= 0 && tcgetattr(fd, &settings) == 0, "open %s read-write and read its settings",
           tty);
    if (fd >= 0)
        close(fd);
}

/* The chip's first line through the older sysfs interface, which numbers it by the chip's base. */
static void sysfs_gpio(const char *chip)
{
    const char *slash = strrchr(chip, '/');
    const char *name = slash != NULL ? slash + 1 : chip;
    char legacy[256], path[600], line[32] = "";
    snprintf(legacy, sizeof legacy, "/sys/bus/gpio/devices/%s/../gpio", name);
    DIR *dir = opendir(legacy);
    for (struct dirent *entry; dir != NULL && (entry = readdir(dir)) != NULL;) {
        if (strncmp(entry->d_name, "gpiochip", 8) != 0)
            continue;
        snprintf(path, sizeof path, "%s/%s/base", legacy, entry->d_name);
        FILE *base = fopen(path, "re");
        if (base != NULL && fgets(line, sizeof line, base) == NULL)
            line[0] = '\0';
        if (base != NULL)
            fclose(base);
        line[strcspn(line, "\n")] = '\0';
    }
    if (dir != NULL)
        closedir(dir);
    const bool exported = line[0] != '\0' && write_text("/sys/class/gpio/export", line);
    report(exported, "export GPIO %s through /sys/class/gpio/export", line);
    if (exported)
        report(write_text("/sys/class/gpio/unexport", line), "unexport GPIO %s", line);
}

static void shared_directory(const char *dir)
{
    char path[108];
    snprintf(path, sizeof path, "%s/sdk-probe.outside", dir);
    report(access(path, F_OK) == 0, "see what other processes left in %s", dir);

    snprintf(path, sizeof path, "%s/sdk-probe.file", dir);
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    report(fd >= 0 && mode_is(path, 0666), "create %s asking for mode 0666", path);
    if (fd >= 0)
        close(fd);
    unlink(path);

    struct sockaddr_un address = {.sun_family = AF_UNIX};
    snprintf(address.sun_path, sizeof address.sun_path, "%s/sdk-probe.sock", dir);
    unlink(address.sun_path);
    const int sock = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    report(sock >= 0 && bind(sock, (const struct sockaddr *)&address, sizeof address) == 0 &&
               listen(sock, 1) == 0 && mode_is(address.sun_path, 0777),
           "listen on a Unix socket %s", address.sun_path);
    if (sock >= 0)
        close(sock);
    unlink(address.sun_path);
}

static void state_under_etc(void)
{
    const char *path = "/etc/sdk-probe.state";
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    report(fd >= 0 && write(fd, "on\n", 3) == 3, "write %s", path);
    if (fd >= 0)
        close(fd);
    unlink(path);
}

static void sysv_ipc(void)
{
    const int shm = shmget(IPC_PRIVATE, 4096, IPC_CREAT | 0600);
    void *memory = shm >= 0 ? shmat(shm, NULL, 0) : (void *)-1;
    report(memory != (void *)-1 && shmdt(memory) == 0, "SysV shared memory");
    if (shm >= 0)
        shmctl(shm, IPC_RMID, NULL);

    const int sem = semget(IPC_PRIVATE, 1, IPC_CREAT | 0600);
    struct sembuf up = {.sem_num = 0, .sem_op = 1};
    report(sem >= 0 && semop(sem, &up, 1) == 0, "SysV semaphore");
    if (sem >= 0)
        semctl(sem, 0, IPC_RMID);

    const int queue = msgget(IPC_PRIVATE, IPC_CREAT | 0600);
    struct {
        long type; /* cppcheck-suppress unusedStructMember ; msgsnd reads it */
        char text[4];
    } message = {1, "on"}, received;
    report(queue >= 0 && msgsnd(queue, &message, sizeof message.text, 0) == 0 &&
               msgrcv(queue, &received, sizeof received.text, 0, 0) == sizeof received.text,
           "SysV message queue");
    if (queue >= 0)
        msgctl(queue, IPC_RMID, NULL);
}

static void posix_ipc(void)
{
    const int shm = shm_open("/sdk-probe", O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    void *memory = shm >= 0 && ftruncate(shm, 4096) == 0
                       ? mmap(NULL, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, shm, 0)
                       : MAP_FAILED;
    report(memory != MAP_FAILED, "POSIX shared memory");
    if (memory != MAP_FAILED)
        munmap(memory, 4096);
    if (shm >= 0)
        close(shm);
    shm_unlink("/sdk-probe");

    sem_t *sem = sem_open("/sdk-probe", O_CREAT, 0600, 0);
    report(sem != SEM_FAILED && sem_post(sem) == 0, "POSIX semaphore");
    if (sem != SEM_FAILED)
        sem_close(sem);
    sem_unlink("/sdk-probe");

    struct mq_attr attributes = {.mq_maxmsg = 1, .mq_msgsize = 4};
    const mqd_t queue = mq_open("/sdk-probe", O_RDWR | O_CREAT | O_CLOEXEC, 0600, &attributes);
    report(queue != (mqd_t)-1 && mq_send(queue, "on", 3, 0) == 0, "POSIX message queue");
    if (queue != (mqd_t)-1)
        mq_close(queue);
    mq_unlink("/sdk-probe");
}

int main(int argc, char *argv[])
{
    if (argc != 3) {
        fprintf(stderr, "usage: sdk_probe GPIOCHIP SERIAL\n");
        return 2;
    }
    gpio_character_device(argv[1]);
    serial_device(argv[2]);
    sysfs_gpio(argv[1]);
    shared_directory("/tmp");
    shared_directory("/run");
    shared_directory("/dev/shm");
    state_under_etc();
    sysv_ipc();
    posix_ipc();
    printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
