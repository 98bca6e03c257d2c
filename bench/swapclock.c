/* Swap clock, an LD_PRELOAD shim for bench/vs_gears.sh: counts the buffer
 * swaps a GL program presents and keeps one line in the file $SWAPCLOCK_OUT,
 *     <microseconds from exec to the first swap> <swaps so far>
 * rewritten in place at every swap, so the script can read it at any time.
 * The exec time is $SWAPCLOCK_T0, the script's $EPOCHREALTIME in
 * microseconds just before exec, hence CLOCK_REALTIME here.
 *
 * Both swap calls are wrapped: an XScreenSaver hack built for EGL presents
 * through eglSwapBuffers (its own glXSwapBuffers is a local stand-in that no
 * preload can replace, and it ends in eglSwapBuffers anyway); meadowglow
 * calls glXSwapBuffers from its render thread. Neither program looks a swap
 * up through glXGetProcAddress or eglGetProcAddress, so those are left alone.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static int out_fd = -1;
static long long t0_us;
static _Atomic long long first_us = -1;
static atomic_ulong swaps;

__attribute__((constructor)) static void swapclock_init(void)
{
    const char *path = getenv("SWAPCLOCK_OUT"), *t0 = getenv("SWAPCLOCK_T0");
    if (!path || !t0)
        return;
    t0_us = atoll(t0);
    out_fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    /* A child the program starts inherits LD_PRELOAD, but must not write. */
    unsetenv("SWAPCLOCK_OUT");
}

static void count_swap(void)
{
    struct timespec ts;
    long long expected = -1, now_us;
    unsigned long n = atomic_fetch_add(&swaps, 1) + 1;
    char line[40];
    int len;
    if (out_fd < 0)
        return;
    clock_gettime(CLOCK_REALTIME, &ts);
    now_us = ts.tv_sec * 1000000LL + ts.tv_nsec / 1000;
    atomic_compare_exchange_strong(&first_us, &expected, now_us - t0_us);
    /* Fixed width: each line overwrites the whole of the previous one. */
    len = snprintf(line, sizeof line, "%12lld %12lu\n", atomic_load(&first_us), n);
    if (pwrite(out_fd, line, (size_t)len, 0) < 0)
        out_fd = -1;
}

/* Counted once the real swap has returned: the frame has been presented. */
void glXSwapBuffers(void *dpy, unsigned long drawable)
{
    static void (*next)(void *, unsigned long);
    if (!next)
        next = (void (*)(void *, unsigned long))dlsym(RTLD_NEXT, "glXSwapBuffers");
    next(dpy, drawable);
    count_swap();
}

unsigned eglSwapBuffers(void *dpy, void *surface)
{
    static unsigned (*next)(void *, void *);
    unsigned ok;
    if (!next)
        next = (unsigned (*)(void *, void *))dlsym(RTLD_NEXT, "eglSwapBuffers");
    ok = next(dpy, surface);
    count_swap();
    return ok;
}
