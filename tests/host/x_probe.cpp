// A small X11 helper for the saver's display test.
//   x_probe wait                    until the display opens (10 s at most)
//   x_probe window W H              makes and maps a window, prints its id, keeps it until
//                                   SIGTERM, then destroys it
//   x_probe painted WINDOW|root S   until WINDOW shows a picture that is neither black nor flat
//                                   (S seconds at most); prints what it saw
//   x_probe label WINDOW S          until the bottom left corner of WINDOW holds the white
//                                   digits of the frame rate label (S seconds at most)
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <thread>

// Xlib defines macros (None, Bool, Status) that clash with C++ names: include it last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;
void on_signal(int) {
    g_stop = 1;
}
int on_x_error(Display*, XErrorEvent*) {
    return 0;
}

struct Look {
    double mean = 0;    // luminance 0..255
    double spread = 0;  // standard deviation of the luminance
    size_t colours = 0;
};

bool look_at(Display* x, Window w, Look& look) {
    XWindowAttributes a = {};
    if (!XGetWindowAttributes(x, w, &a) || a.width < 2 || a.height < 2) return false;
    XImage* image = XGetImage(x, w, 0, 0, static_cast<unsigned>(a.width),
                              static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
    if (!image) return false;
    std::set<unsigned long> colours;
    double sum = 0, sum2 = 0;
    int n = 0;
    constexpr int kGrid = 48;
    for (int gy = 0; gy < kGrid; ++gy)
        for (int gx = 0; gx < kGrid; ++gx) {
            const unsigned long p = XGetPixel(image, gx * (a.width - 1) / (kGrid - 1),
                                              gy * (a.height - 1) / (kGrid - 1)) &
                                    0xFFFFFF;
            colours.insert(p);
            const double l = 0.299 * double((p >> 16) & 255) + 0.587 * double((p >> 8) & 255) +
                             0.114 * double(p & 255);
            sum += l;
            sum2 += l * l;
            ++n;
        }
    XDestroyImage(image);
    look.mean = sum / n;
    look.spread = std::sqrt(std::max(0.0, sum2 / n - look.mean * look.mean));
    look.colours = colours.size();
    return true;
}

int painted(Display* x, const char* which, double seconds) {
    const Window w =
        std::strcmp(which, "root") == 0 ? DefaultRootWindow(x) : std::strtoul(which, nullptr, 0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    Look look;
    while (std::chrono::steady_clock::now() < end) {
        if (look_at(x, w, look) && look.mean > 8 && look.spread > 4 && look.colours >= 32) {
            std::printf("painted: mean %.1f, spread %.1f, %zu colours\n", look.mean, look.spread,
                        look.colours);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    std::printf("not painted: mean %.1f, spread %.1f, %zu colours\n", look.mean, look.spread,
                look.colours);
    return 1;
}

// White pixels in the corner where the frame rate label sits (8 pixels from the bottom left).
int white_in_corner(Display* x, Window w) {
    XWindowAttributes a = {};
    if (!XGetWindowAttributes(x, w, &a) || a.width < 140 || a.height < 60) return 0;
    XImage* image = XGetImage(x, w, 8, a.height - 8 - 40, 120, 40, AllPlanes, ZPixmap);
    if (!image) return 0;
    int white = 0;
    for (int y = 0; y < 40; ++y)
        for (int xx = 0; xx < 120; ++xx) {
            const unsigned long p = XGetPixel(image, xx, y);
            white += ((p >> 16) & 255) >= 245 && ((p >> 8) & 255) >= 245 && (p & 255) >= 245;
        }
    XDestroyImage(image);
    return white;
}

int label(Display* x, const char* which, double seconds) {
    const Window w = std::strtoul(which, nullptr, 0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int white = 0;
    while (std::chrono::steady_clock::now() < end) {
        white = white_in_corner(x, w);
        if (white >= 100) {
            std::printf("label: %d white pixels in the corner\n", white);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    std::printf("no label: %d white pixels in the corner\n", white);
    return 1;
}

int window(Display* x, int w, int h) {
    const Window win =
        XCreateSimpleWindow(x, DefaultRootWindow(x), 40, 30, static_cast<unsigned>(w),
                            static_cast<unsigned>(h), 0, 0, 0);
    XMapWindow(x, win);
    XSync(x, False);
    std::printf("0x%lx\n", win);
    std::fflush(stdout);
    std::signal(SIGTERM, on_signal);
    while (!g_stop) {
        while (XPending(x)) {
            XEvent e;
            XNextEvent(x, &e);
        }
        pollfd fd = {ConnectionNumber(x), POLLIN, 0};
        poll(&fd, 1, 50);
    }
    XDestroyWindow(x, win);
    XSync(x, False);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    XSetErrorHandler(on_x_error);
    Display* x = nullptr;
    for (int i = 0; i < 100 && !x; ++i) {
        x = XOpenDisplay(nullptr);
        if (!x) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!x) {
        std::fprintf(stderr, "x_probe: no display\n");
        return 1;
    }
    int rc = 2;
    if (std::strcmp(argv[1], "wait") == 0) rc = 0;
    if (std::strcmp(argv[1], "window") == 0 && argc == 4)
        rc = window(x, std::atoi(argv[2]), std::atoi(argv[3]));
    if (std::strcmp(argv[1], "painted") == 0 && argc == 4)
        rc = painted(x, argv[2], std::atof(argv[3]));
    if (std::strcmp(argv[1], "label") == 0 && argc == 4) rc = label(x, argv[2], std::atof(argv[3]));
    XCloseDisplay(x);
    return rc;
}
