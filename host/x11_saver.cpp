#include "host/x11_saver.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <thread>

// Xlib defines macros (None, Bool, Status) that clash with C++ names: include it last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace host {

namespace {

// The stop signal received (0: none). The signal handlers' only state.
volatile std::sig_atomic_t g_stop_requested = 0;

// Seconds a stop signal leaves the run to end by itself: a frame the device cannot finish (a
// program that loops for minutes) must not keep the saver alive.
constexpr unsigned kStopGraceSeconds = 2;

void die_by(int signal) {
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(signal);
}

void on_stop_signal(int signal) {
    if (g_stop_requested) die_by(g_stop_requested);  // a second one: at once
    g_stop_requested = signal;
    alarm(kStopGraceSeconds);
}

// The grace time is over and the run has not ended: die by the stop signal all the same.
void on_stop_grace_over(int) {
    die_by(g_stop_requested ? g_stop_requested : SIGTERM);
}

// A foreign window may vanish between any two requests: X errors are expected, never fatal.
int on_x_error(Display*, XErrorEvent*) {
    return 0;
}

// Whether the broken connection has been told: by Xlib's handler or by the watch below,
// whichever sees it first.
std::atomic_flag g_broken_told = ATOMIC_FLAG_INIT;

// The X server went away (both connections, the saver's and the device's, see it): one line
// and the end, without running exit handlers that would touch the dead connections again.
int on_x_io_error(Display* x) {
    if (!g_broken_told.test_and_set()) {
        const char* name = x ? XDisplayString(x) : nullptr;
        std::fprintf(stderr, "brushwright: the connection to the X display \"%s\" is broken\n",
                     name ? name : "");
        std::fflush(stderr);
    }
    _exit(1);
}

// The connection the watch looks at (-1: none). Xlib sees a server that went away only when it
// next reads, and the device's driver may wait for that server inside a frame without end: once
// a second the watch looks at the socket itself, and a closed one ends the run.
volatile std::sig_atomic_t g_watched_fd = -1;

void on_connection_watch(int) {
    const int fd = g_watched_fd;
    if (fd < 0) return;
    pollfd p = {fd, POLLRDHUP, 0};
    if (poll(&p, 1, 0) <= 0 || !(p.revents & (POLLHUP | POLLRDHUP | POLLERR))) return;
    if (!g_broken_told.test_and_set()) {
        static const char line[] = "brushwright: the connection to the X display is broken\n";
        const ssize_t written = write(STDERR_FILENO, line, sizeof line - 1);
        (void)written;  // nothing more can be told
    }
    _exit(1);
}

// Starts the watch of `fd`, a signal of a one-second timer; without a timer there is no watch.
void watch_connection(int fd) {
    struct sigaction action = {};
    action.sa_handler = on_connection_watch;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    const int signal = SIGRTMIN + 1;
    if (sigaction(signal, &action, nullptr) != 0) return;
    sigevent event = {};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = signal;
    timer_t timer;
    if (timer_create(CLOCK_MONOTONIC, &event, &timer) != 0) return;
    g_watched_fd = fd;
    const itimerspec every_second = {{1, 0}, {1, 0}};
    timer_settime(timer, 0, &every_second, nullptr);
}

// The longest single wait for events: a stop signal that arrives just before a wait begins is
// seen within it.
constexpr int64_t kLongestWaitUs = 250000;

int64_t now_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Display* dpy(void* display) {
    return static_cast<Display*>(display);
}

}  // namespace

void install_stop_signals() {
    struct sigaction action = {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    // Restarted reads keep Xlib whole; poll() in the preview wait returns early all the same.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    action.sa_handler = on_stop_grace_over;
    sigaction(SIGALRM, &action, nullptr);
}

void end_by_stop_signal() {
    if (const int signal = g_stop_requested) die_by(signal);
}

X11Saver::~X11Saver() {
    Display* x = dpy(display_);
    if (!x) return;
    if (cursor_) XFreeCursor(x, cursor_);
    if (own_ && !gone_) {
        XUngrabKeyboard(x, CurrentTime);
        XUngrabPointer(x, CurrentTime);
        XDestroyWindow(x, own_);
    }
    g_watched_fd = -1;
    XCloseDisplay(x);
}

bool X11Saver::connect(std::string& error) {
    XSetErrorHandler(on_x_error);
    XSetIOErrorHandler(on_x_io_error);
    display_ = XOpenDisplay(nullptr);
    if (!display_) {
        const char* name = XDisplayName(nullptr);
        error = name && name[0] ? "cannot open the X display \"" + std::string(name) + "\""
                                : std::string("no X display (DISPLAY is not set)");
        return false;
    }
    delete_atom_ = XInternAtom(dpy(display_), "WM_DELETE_WINDOW", False);
    watch_connection(ConnectionNumber(dpy(display_)));
    return true;
}

bool X11Saver::create() {
    switch (options_.kind) {
        case RunKind::full_screen:
            return create_full_screen();
        case RunKind::preview:
            return create_preview();
        case RunKind::embedded:
            return create_embedded();
        case RunKind::own_window:
            return create_own_window();
    }
    return false;
}

bool X11Saver::create_full_screen() {
    Display* x = dpy(display_);
    const int screen = DefaultScreen(x);
    width_ = DisplayWidth(x, screen);
    height_ = DisplayHeight(x, screen);
    XSetWindowAttributes attributes = {};
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(x, screen);
    attributes.event_mask = KeyPressMask | ButtonPressMask | StructureNotifyMask | ExposureMask;
    own_ =
        XCreateWindow(x, RootWindow(x, screen), 0, 0, static_cast<unsigned>(width_),
                      static_cast<unsigned>(height_), 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
    if (!own_) return false;
    painted_ = own_;
    XStoreName(x, own_, "Brushwright");
    XMapRaised(x, own_);
    grab_input();
    return true;
}

// Keys and clicks must reach the saver wherever the focus was: take the keyboard and the
// pointer once the window is viewable (a grab of an unmapped window fails, so retry briefly).
void X11Saver::grab_input() {
    Display* x = dpy(display_);
    XSync(x, False);
    for (int tries = 0; tries < 40; ++tries) {
        const int keyboard =
            XGrabKeyboard(x, own_, True, GrabModeAsync, GrabModeAsync, CurrentTime);
        const int pointer = XGrabPointer(x, own_, True, ButtonPressMask, GrabModeAsync,
                                         GrabModeAsync, own_, 0, CurrentTime);
        if (keyboard == GrabSuccess && pointer == GrabSuccess) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    XSetInputFocus(x, own_, RevertToParent, CurrentTime);
}

bool X11Saver::create_preview() {
    Display* x = dpy(display_);
    XWindowAttributes parent = {};
    if (!XGetWindowAttributes(x, options_.target, &parent)) {
        std::fprintf(stderr, "brushwright: no preview window 0x%lx\n", options_.target);
        return false;
    }
    const Size size = preview_window_size(parent.width, parent.height);
    XSetWindowAttributes attributes = {};
    attributes.background_pixel = BlackPixel(x, DefaultScreen(x));
    // Only structure and exposure: keys and clicks stay with the program that shows the preview.
    attributes.event_mask = StructureNotifyMask | ExposureMask;
    own_ = XCreateWindow(x, options_.target, 0, 0, static_cast<unsigned>(size.width),
                         static_cast<unsigned>(size.height), 0, CopyFromParent, InputOutput,
                         CopyFromParent, CWBackPixel | CWEventMask, &attributes);
    XSync(x, False);
    if (!own_) return false;
    painted_ = own_;
    width_ = size.width;
    height_ = size.height;
    XMapWindow(x, own_);
    XFlush(x);
    return true;
}

bool X11Saver::create_embedded() {
    Display* x = dpy(display_);
    const unsigned long window = options_.target ? options_.target : DefaultRootWindow(x);
    XWindowAttributes attributes = {};
    if (!XGetWindowAttributes(x, window, &attributes)) {
        std::fprintf(stderr, "brushwright: no window 0x%lx to paint\n", window);
        return false;
    }
    // Structure and exposure only: the window's owner keeps the input.
    XSelectInput(x, window, attributes.your_event_mask | StructureNotifyMask | ExposureMask);
    XSync(x, False);
    painted_ = window;
    width_ = attributes.width;
    height_ = attributes.height;
    return true;
}

bool X11Saver::create_own_window() {
    Display* x = dpy(display_);
    const int screen = DefaultScreen(x);
    const int w = std::min(1024, DisplayWidth(x, screen));
    const int h = std::min(768, DisplayHeight(x, screen));
    XSetWindowAttributes attributes = {};
    attributes.background_pixel = BlackPixel(x, screen);
    attributes.event_mask = KeyPressMask | StructureNotifyMask | ExposureMask;
    own_ = XCreateWindow(x, RootWindow(x, screen), 0, 0, static_cast<unsigned>(w),
                         static_cast<unsigned>(h), 0, CopyFromParent, InputOutput, CopyFromParent,
                         CWBackPixel | CWEventMask, &attributes);
    if (!own_) return false;
    painted_ = own_;
    width_ = w;
    height_ = h;
    XStoreName(x, own_, "Brushwright");
    Atom protocols[] = {static_cast<Atom>(delete_atom_)};
    XSetWMProtocols(x, own_, protocols, 1);
    XMapWindow(x, own_);
    XFlush(x);
    return true;
}

bool X11Saver::wait_preview_second() {
    Display* x = dpy(display_);
    const int64_t end = now_ms() + 1000;
    for (;;) {
        if (g_stop_requested) return false;
        while (XPending(x)) {
            XEvent e;
            XNextEvent(x, &e);
            if (e.type == DestroyNotify && e.xdestroywindow.window == painted_) {
                gone_ = true;
                return false;
            }
        }
        const int64_t left = end - now_ms();
        if (left <= 0) return true;
        pollfd fd = {ConnectionNumber(x), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left));
    }
}

void X11Saver::hide_cursor() {
    Display* x = dpy(display_);
    if (cursor_ || !own_) return;
    static const char empty[1] = {0};
    const Pixmap blank = XCreateBitmapFromData(x, own_, empty, 1, 1);
    XColor black = {};
    cursor_ = XCreatePixmapCursor(x, blank, blank, &black, &black, 0, 0);
    XFreePixmap(x, blank);
    XDefineCursor(x, own_, cursor_);
    XFlush(x);
}

void X11Saver::show_cursor() {
    Display* x = dpy(display_);
    if (!cursor_) return;
    if (!gone_) XUndefineCursor(x, own_);
    XFreeCursor(x, cursor_);
    cursor_ = 0;
    XFlush(x);
}

X11Saver::Taken X11Saver::take_event(Event& event, int64_t wait_us) {
    if (g_stop_requested || closing_ || gone_) return Taken::quit;
    Display* x = dpy(display_);
    if (!XPending(x)) {  // this also sends what is buffered
        if (wait_us <= 0) return Taken::nothing;
        // A stop signal interrupts the wait; one that lands just before it is seen within
        // kLongestWaitUs.
        const int64_t wait = std::min(wait_us, kLongestWaitUs);
        const timespec timeout = {static_cast<time_t>(wait / 1000000),
                                  static_cast<long>(wait % 1000000) * 1000};
        pollfd fd = {ConnectionNumber(x), POLLIN, 0};
        ppoll(&fd, 1, &timeout, nullptr);
        if (g_stop_requested) return Taken::quit;
        if (!XPending(x)) return Taken::nothing;
    }
    XEvent e;
    XNextEvent(x, &e);
    switch (e.type) {
        case DestroyNotify:
            if (e.xdestroywindow.window != painted_) return Taken::other;
            gone_ = true;
            return Taken::quit;
        case ConfigureNotify:
            if (e.xconfigure.window != painted_) return Taken::other;
            // A resize by dragging queues many sizes: only the last counts.
            while (XCheckTypedWindowEvent(x, painted_, ConfigureNotify, &e)) {
            }
            if (e.xconfigure.width == width_ && e.xconfigure.height == height_) return Taken::other;
            width_ = e.xconfigure.width;
            height_ = e.xconfigure.height;
            event = {Event::Kind::resize, Input::key, width_, height_};
            return Taken::event;
        case Expose:
            if (e.xexpose.window != painted_ || e.xexpose.count != 0) return Taken::other;
            // One redraw repairs every exposed part, those already queued too.
            while (XCheckTypedWindowEvent(x, painted_, Expose, &e)) {
            }
            event = {Event::Kind::paint, Input::key, 0, 0};
            return Taken::event;
        case KeyPress: {
            const KeySym key = XLookupKeysym(&e.xkey, 0);
            const bool quit_key = key == XK_q || key == XK_Q || key == XK_Escape;
            event = {Event::Kind::input, quit_key ? Input::quit_key : Input::key, 0, 0};
            return Taken::event;
        }
        case ButtonPress: {
            Input input = Input::wheel;  // buttons 4 to 7 are the wheel
            if (e.xbutton.button == Button1) input = Input::left_button;
            if (e.xbutton.button == Button2) input = Input::middle_button;
            if (e.xbutton.button == Button3) input = Input::right_button;
            event = {Event::Kind::input, input, 0, 0};
            return Taken::event;
        }
        case MotionNotify:
            event = {Event::Kind::input, Input::motion, 0, 0};
            return Taken::event;
        case ClientMessage:
            // The window manager's close button on a window of our own.
            if (static_cast<unsigned long>(e.xclient.data.l[0]) != delete_atom_)
                return Taken::other;
            closing_ = true;
            return Taken::quit;
        default:
            return Taken::other;
    }
}

}  // namespace host
