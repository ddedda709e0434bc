/* Waits for a program's main window, the managed normal-type top-level window with the exact
 * title, mapped and viewable, and prints its id; with "close" it then asks the window manager to
 * close it (_NET_CLOSE_WINDOW) and waits until it is no longer viewable. The tray icon, balloons
 * and popups may carry the same title, so the title alone is not enough. With "start" it starts
 * the program itself and prints the milliseconds from its exec to the main window, and its pid.
 * Usage: main-window PID TITLE [close]
 *        main-window start TITLE PROGRAM [ARGS...] */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static Display* dpy;

/* A window may go away while it is looked at (the last round's program ending); Xlib's own
 * handler would end this program for it. */
static int ignore_error(Display* d, XErrorEvent* e)
{
    (void)d;
    (void)e;
    return 0;
}

static unsigned char* property(Window w, const char* name, Atom type, unsigned long* count)
{
    Atom actual;
    int format;
    unsigned long after;
    unsigned char* data = NULL;
    *count = 0;
    if (XGetWindowProperty(dpy, w, XInternAtom(dpy, name, False), 0, 1 << 16, False, type,
                           &actual, &format, count, &after, &data) != Success)
        return NULL;
    return data;
}

static int is_main(Window w, long pid, const char* title)
{
    unsigned long n;
    int ok = 1;
    unsigned char* p = property(w, "_NET_WM_PID", XA_CARDINAL, &n);
    ok = ok && p && n == 1 && ((unsigned long*)p)[0] == (unsigned long)pid;
    if (p)
        XFree(p);
    p = property(w, "_NET_WM_NAME", XInternAtom(dpy, "UTF8_STRING", False), &n);
    ok = ok && p && strlen(title) == n && memcmp(p, title, n) == 0;
    if (p)
        XFree(p);
    Atom normal = XInternAtom(dpy, "_NET_WM_WINDOW_TYPE_NORMAL", False);
    p = property(w, "_NET_WM_WINDOW_TYPE", XA_ATOM, &n);
    int typed = 0;
    for (unsigned long i = 0; p && i < n; ++i)
        typed = typed || ((Atom*)p)[i] == normal;
    if (p)
        XFree(p);
    XWindowAttributes attr;
    return ok && typed && XGetWindowAttributes(dpy, w, &attr) && attr.map_state == IsViewable;
}

static Window find(long pid, const char* title)
{
    unsigned long n;
    Window found = 0;
    unsigned char* p = property(DefaultRootWindow(dpy), "_NET_CLIENT_LIST", XA_WINDOW, &n);
    for (unsigned long i = 0; p && i < n && !found; ++i)
        if (is_main(((Window*)p)[i], pid, title))
            found = ((Window*)p)[i];
    if (p)
        XFree(p);
    return found;
}

/* Listens to every managed window too: a client may become viewable by its own map inside a frame
 * that is already mapped, which the root window never hears of. */
static void watch_clients(void)
{
    unsigned long n;
    unsigned char* p = property(DefaultRootWindow(dpy), "_NET_CLIENT_LIST", XA_WINDOW, &n);
    for (unsigned long i = 0; p && i < n; ++i)
        XSelectInput(dpy, ((Window*)p)[i], StructureNotifyMask | PropertyChangeMask);
    if (p)
        XFree(p);
}

static double now_ms(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

static pid_t started;

/* A window that never comes ends the wait, and the program that did not show it. */
static void give_up(int sig)
{
    (void)sig;
    if (started > 0)
        kill(started, SIGTERM);
    _exit(1);
}

/* Woken by the window manager's work (frames and clients mapped, the client list changed), not a
 * poll, so that the waiting takes no time from the program being timed. */
static int start(char** argv)
{
    Window root = DefaultRootWindow(dpy);
    XSelectInput(dpy, root, SubstructureNotifyMask | PropertyChangeMask);
    XSync(dpy, False);
    double begun = now_ms();
    pid_t pid = fork();
    if (pid == 0) {
        /* Off our output: a program left running must not hold the reader of our answer. */
        freopen("/dev/null", "w", stdout);
        execvp(argv[3], argv + 3);
        _exit(127);
    }
    started = pid;
    signal(SIGALRM, give_up);
    alarm(30);
    for (;;) {
        XEvent e;
        XNextEvent(dpy, &e);
        if (e.type == PropertyNotify && e.xproperty.window == root)
            watch_clients();
        if ((e.type == MapNotify || e.type == PropertyNotify) && find(pid, argv[2])) {
            printf("%.1f %d\n", now_ms() - begun, (int)pid);
            return 0;
        }
    }
}

int main(int argc, char** argv)
{
    if (argc < 3 || !(dpy = XOpenDisplay(NULL))) {
        fprintf(stderr, "usage: main-window PID TITLE [close] | start TITLE PROGRAM [ARGS...] "
                        "(with a display)\n");
        return 2;
    }
    XSetErrorHandler(ignore_error);
    if (strcmp(argv[1], "start") == 0)
        return argc < 4 ? 2 : start(argv);
    long pid = atol(argv[1]);
    Window w = 0;
    for (int i = 0; i < 400 && !(w = find(pid, argv[2])); ++i)
        usleep(50000);
    if (!w)
        return 1;
    printf("0x%lx\n", w);
    fflush(stdout);
    if (argc < 4 || strcmp(argv[3], "close") != 0)
        return 0;

    XEvent e;
    memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(dpy, "_NET_CLOSE_WINDOW", False);
    e.xclient.format = 32;
    e.xclient.data.l[1] = 2; /* from a pager: the user's own request */
    XSendEvent(dpy, DefaultRootWindow(dpy), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(dpy);
    for (int i = 0; i < 100; ++i) {
        XWindowAttributes attr;
        if (!XGetWindowAttributes(dpy, w, &attr) || attr.map_state != IsViewable)
            return 0;
        usleep(50000);
    }
    return 1;
}
