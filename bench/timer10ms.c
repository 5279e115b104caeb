// SPDX-License-Identifier: MIT
/* The cheapest program that wakes every 10 ms: a timerfd read in a poll()
 * loop, as an event loop with a 10 ms timer would do. bench/idle_cpu.sh runs
 * it beside the program as the figure a plain 10 ms poll costs. */
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/timerfd.h>
#include <unistd.h>

int main(void)
{
    int fd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    if (fd < 0) {
        perror("timerfd_create");
        return 1;
    }
    struct itimerspec every10ms = {{0, 10 * 1000 * 1000}, {0, 10 * 1000 * 1000}};
    if (timerfd_settime(fd, 0, &every10ms, NULL) != 0) {
        perror("timerfd_settime");
        return 1;
    }
    for (;;) {
        struct pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, -1) < 0)
            continue;
        uint64_t expirations;
        if (read(fd, &expirations, sizeof expirations) < 0)
            continue;
    }
}
