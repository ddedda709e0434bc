/* Starts a program and prints the milliseconds from exec to the first MapNotify of a
 * top-level window whose _NET_WM_PID or WM_CLASS names it. Usage: wait-map CLASS PROGRAM [ARGS] */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: wait-map CLASS PROGRAM [ARGS...]\n");
        return 2;
    }
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "wait-map: no display\n");
        return 2;
    }
    Window root = DefaultRootWindow(dpy);
    XSelectInput(dpy, root, SubstructureNotifyMask);
    XSync(dpy, False);

    double start = now_ms();
    pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    for (;;) {
        XEvent ev;
        XNextEvent(dpy, &ev);
        if (ev.type != MapNotify)
            continue;
        XClassHint hint;
        if (XGetClassHint(dpy, ev.xmap.window, &hint)) {
            int match = hint.res_name && strcmp(hint.res_name, argv[1]) == 0;
            XFree(hint.res_name);
            XFree(hint.res_class);
            if (match) {
                printf("%.1f %d\n", now_ms() - start, (int)pid);
                fflush(stdout);
                break;
            }
        }
    }
    XCloseDisplay(dpy);
    return 0;
}
