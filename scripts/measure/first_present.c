/* Preloaded into the player to time its start in a real window: prints the
 * wall-clock time (ms since the epoch) of the first picture handed to the
 * window system, however it is presented. Works on any build, so a build
 * without this measurement in it can be compared with one that has it. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <time.h>

static int reported;

static void report(const char *how) {
    if (reported) return;
    reported = 1;
    struct timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    fprintf(stderr, "first-present %.3f %s\n", t.tv_sec * 1000.0 + t.tv_nsec / 1e6, how);
}

void SDL_RenderPresent(void *renderer) {
    static void (*next)(void *);
    if (!next) next = (void (*)(void *))dlsym(RTLD_NEXT, "SDL_RenderPresent");
    next(renderer);
    report("renderer");
}

int SDL_UpdateWindowSurface(void *window) {
    static int (*next)(void *);
    if (!next) next = (int (*)(void *))dlsym(RTLD_NEXT, "SDL_UpdateWindowSurface");
    int r = next(window);
    report("surface");
    return r;
}

int SDL_UpdateWindowSurfaceRects(void *window, const void *rects, int count) {
    static int (*next)(void *, const void *, int);
    if (!next) next = (int (*)(void *, const void *, int))dlsym(RTLD_NEXT, "SDL_UpdateWindowSurfaceRects");
    int r = next(window, rects, count);
    report("surface");
    return r;
}
