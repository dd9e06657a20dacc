// A small X11 helper for the end-to-end run under Xvfb, where no window
// manager is there to close windows:
//   e2e_x11 close <window-id>        asks the window to close (WM_DELETE_WINDOW),
//                                     as a close box does
//   e2e_x11 pixel <x> <y>            prints "r g b" of a screen pixel
//   e2e_x11 waitpixel <x> <y> light|blue
//                                     prints "ready" once connected, then looks
//                                     at the pixel every millisecond and prints
//                                     the wall time (nanoseconds) when it first
//                                     shows light gray or more (light) or the
//                                     title's blue lettering (blue); fails after
//                                     10 s. One connection for the whole wait,
//                                     so the watching costs the program it
//                                     times next to nothing.
//   e2e_x11 shot <file.ppm>          saves the whole screen as a binary PPM
//   e2e_x11 icon <window-id>         prints one line per icon the window
//                                     offers (_NET_WM_ICON): "W H centre corner",
//                                     the two pixels as 8-digit hex ARGB
//   e2e_x11 frame <window-id>        prints "x y w h" of the window with the
//                                     frame the window manager put around it,
//                                     then "x y w h" of its client area
//   e2e_x11 maximize <window-id>     asks the window manager to maximise it
//   e2e_x11 area <x> <y> <w> <h>     prints "rmin gmin bmin rmax gmax bmax" of
//                                     the screen pixels in that rectangle
//   e2e_x11 find <r> <g> <b> [<x> <y> <w> <h>]
//                                     prints "x y w h" of the smallest rectangle
//                                     holding every run of 40 or more pixels of
//                                     that colour in a row, on the screen (or in
//                                     the rectangle given): where a window's
//                                     flat background lies; fails when none
//   e2e_x11 ink <x> <y> <w> <h>      prints one character per column of the
//                                     rectangle: 1 where a pixel in it is dark
//                                     (text on a light title bar), else 0
//   e2e_x11 release <button>         releases a mouse button through XTest, as
//                                     a real mouse does, and prints the wall
//                                     time (seconds) just before it was sent
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

void Rgb(XImage* img, int x, int y, int& r, int& g, int& b) {
    const unsigned long p = XGetPixel(img, x, y);
    r = static_cast<int>((p & img->red_mask) >> 16);
    g = static_cast<int>((p & img->green_mask) >> 8);
    b = static_cast<int>(p & img->blue_mask);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: e2e_x11 close WIN | pixel X Y | waitpixel X Y light|blue | shot FILE | icon WIN | frame WIN | maximize WIN | "
                             "area X Y W H | find R G B | ink X Y W H | release BUTTON\n");
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "cannot open display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(d);
    int rc = 0;
    if (std::strcmp(argv[1], "close") == 0) {
        const Window w = static_cast<Window>(std::strtoul(argv[2], nullptr, 0));
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = w;
        ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
        ev.xclient.data.l[1] = CurrentTime;
        XSendEvent(d, w, False, NoEventMask, &ev);
        XFlush(d);
    } else if (std::strcmp(argv[1], "pixel") == 0 && argc >= 4) {
        XImage* img = XGetImage(d, root, std::atoi(argv[2]), std::atoi(argv[3]), 1, 1, AllPlanes, ZPixmap);
        if (!img) return 1;
        int r, g, b;
        Rgb(img, 0, 0, r, g, b);
        std::printf("%d %d %d\n", r, g, b);
        XDestroyImage(img);
    } else if (std::strcmp(argv[1], "waitpixel") == 0 && argc >= 5) {
        const int x = std::atoi(argv[2]), y = std::atoi(argv[3]);
        const bool light = std::strcmp(argv[4], "light") == 0;
        std::printf("ready\n");
        std::fflush(stdout);
        rc = 1;
        for (int i = 0; i < 10000; ++i) {
            XImage* img = XGetImage(d, root, x, y, 1, 1, AllPlanes, ZPixmap);
            timespec now{};
            clock_gettime(CLOCK_REALTIME, &now);
            int r = 0, g = 0, b = 0;
            if (img) {
                Rgb(img, 0, 0, r, g, b);
                XDestroyImage(img);
            }
            if (light ? (r > 200 && g > 200 && b > 200) : (b > 60 && b > r + 30)) {
                std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
                rc = 0;
                break;
            }
            const timespec pause{0, 1000000};
            nanosleep(&pause, nullptr);
        }
        if (rc) std::printf("timeout\n");
    } else if (std::strcmp(argv[1], "shot") == 0) {
        XWindowAttributes a;
        XGetWindowAttributes(d, root, &a);
        XImage* img = XGetImage(d, root, 0, 0, static_cast<unsigned>(a.width),
                                static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
        if (!img) {
            std::fprintf(stderr, "e2e_x11 shot: the server gave no image of the screen\n");
            return 1;
        }
        FILE* f = std::fopen(argv[2], "wb");
        if (!f) {
            std::fprintf(stderr, "e2e_x11 shot: %s: %s\n", argv[2], std::strerror(errno));
            XDestroyImage(img);
            return 1;
        }
        std::fprintf(f, "P6\n%d %d\n255\n", a.width, a.height);
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) {
                int r, g, b;
                Rgb(img, x, y, r, g, b);
                std::fputc(r, f);
                std::fputc(g, f);
                std::fputc(b, f);
            }
        XDestroyImage(img);
        if (std::fclose(f) != 0) {
            std::fprintf(stderr, "e2e_x11 shot: %s: %s\n", argv[2], std::strerror(errno));
            return 1;
        }
    } else if (std::strcmp(argv[1], "icon") == 0) {
        const Window w = static_cast<Window>(std::strtoul(argv[2], nullptr, 0));
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_ICON", False), 0, 1L << 24, False, XA_CARDINAL,
                               &type, &format, &count, &after, &data) != Success ||
            type != XA_CARDINAL || format != 32) {
            rc = 1;
        } else {
            // 32-bit properties come as longs: width, height, then the rows.
            const auto* v = reinterpret_cast<const unsigned long*>(data);
            unsigned long i = 0;
            while (i + 2 <= count) {
                const unsigned long iw = v[i], ih = v[i + 1];
                if (iw == 0 || ih == 0 || i + 2 + iw * ih > count) break;
                const unsigned long* px = v + i + 2;
                std::printf("%lu %lu %08lx %08lx\n", iw, ih, px[(ih / 2) * iw + iw / 2] & 0xFFFFFFFFul,
                            px[0] & 0xFFFFFFFFul);
                i += 2 + iw * ih;
            }
        }
        if (data) XFree(data);
    } else if (std::strcmp(argv[1], "frame") == 0) {
        const Window w = static_cast<Window>(std::strtoul(argv[2], nullptr, 0));
        // The frame is the window's ancestor that is a child of the root.
        Window top = w;
        for (;;) {
            Window r = 0, parent = 0, *children = nullptr;
            unsigned n = 0;
            if (!XQueryTree(d, top, &r, &parent, &children, &n)) break;
            if (children) XFree(children);
            if (parent == root || parent == 0) break;
            top = parent;
        }
        XWindowAttributes fa, ca;
        int cx = 0, cy = 0;
        Window child = 0;
        if (!XGetWindowAttributes(d, top, &fa) || !XGetWindowAttributes(d, w, &ca) ||
            !XTranslateCoordinates(d, w, root, 0, 0, &cx, &cy, &child)) {
            rc = 1;
        } else {
            std::printf("%d %d %d %d\n", fa.x, fa.y, fa.width + 2 * fa.border_width,
                        fa.height + 2 * fa.border_width);
            std::printf("%d %d %d %d\n", cx, cy, ca.width, ca.height);
        }
    } else if (std::strcmp(argv[1], "area") == 0 && argc >= 6) {
        const int w = std::atoi(argv[4]), h = std::atoi(argv[5]);
        XImage* img = w > 0 && h > 0 ? XGetImage(d, root, std::atoi(argv[2]), std::atoi(argv[3]),
                                                 static_cast<unsigned>(w), static_cast<unsigned>(h),
                                                 AllPlanes, ZPixmap)
                                     : nullptr;
        if (!img) return 1;
        int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int c[3];
                Rgb(img, x, y, c[0], c[1], c[2]);
                for (int k = 0; k < 3; ++k) {
                    if (c[k] < lo[k]) lo[k] = c[k];
                    if (c[k] > hi[k]) hi[k] = c[k];
                }
            }
        std::printf("%d %d %d %d %d %d\n", lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]);
        XDestroyImage(img);
    } else if (std::strcmp(argv[1], "find") == 0 && argc >= 5) {
        XWindowAttributes a;
        XGetWindowAttributes(d, root, &a);
        XImage* img = XGetImage(d, root, 0, 0, static_cast<unsigned>(a.width),
                                static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
        if (!img) return 1;
        const int want[3] = {std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4])};
        int left = 0, top = 0, right = a.width, bottom = a.height;
        if (argc >= 9) {
            left = std::max(0, std::atoi(argv[5]));
            top = std::max(0, std::atoi(argv[6]));
            right = std::min(a.width, left + std::atoi(argv[7]));
            bottom = std::min(a.height, top + std::atoi(argv[8]));
        }
        int x0 = a.width, y0 = a.height, x1 = -1, y1 = -1;
        for (int y = top; y < bottom; ++y) {
            int run = 0;
            for (int x = left; x <= right; ++x) {
                int c[3] = {-1, -1, -1};
                if (x < right) Rgb(img, x, y, c[0], c[1], c[2]);
                if (c[0] == want[0] && c[1] == want[1] && c[2] == want[2]) {
                    ++run;
                    continue;
                }
                if (run >= 40) {
                    x0 = std::min(x0, x - run);
                    x1 = std::max(x1, x - 1);
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y);
                }
                run = 0;
            }
        }
        XDestroyImage(img);
        if (x1 < 0) {
            rc = 1;
        } else {
            std::printf("%d %d %d %d\n", x0, y0, x1 - x0 + 1, y1 - y0 + 1);
        }
    } else if (std::strcmp(argv[1], "ink") == 0 && argc >= 6) {
        const int w = std::atoi(argv[4]), h = std::atoi(argv[5]);
        XImage* img = w > 0 && h > 0 ? XGetImage(d, root, std::atoi(argv[2]), std::atoi(argv[3]),
                                                 static_cast<unsigned>(w), static_cast<unsigned>(h),
                                                 AllPlanes, ZPixmap)
                                     : nullptr;
        if (!img) return 1;
        for (int x = 0; x < w; ++x) {
            bool dark = false;
            for (int y = 0; y < h && !dark; ++y) {
                int r, g, b;
                Rgb(img, x, y, r, g, b);
                dark = r * 299 + g * 587 + b * 114 < 110 * 1000;
            }
            std::putchar(dark ? '1' : '0');
        }
        std::putchar('\n');
        XDestroyImage(img);
    } else if (std::strcmp(argv[1], "release") == 0) {
        // The time is taken before the event is sent: the program cannot have
        // seen the release earlier, whatever the scheduler does to this helper.
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        XTestFakeButtonEvent(d, static_cast<unsigned>(std::atoi(argv[2])), False, CurrentTime);
        XSync(d, False);
        std::printf("%lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
    } else if (std::strcmp(argv[1], "maximize") == 0) {
        const Window w = static_cast<Window>(std::strtoul(argv[2], nullptr, 0));
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = w;
        ev.xclient.message_type = XInternAtom(d, "_NET_WM_STATE", False);
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = 1;  // add
        ev.xclient.data.l[1] = static_cast<long>(XInternAtom(d, "_NET_WM_STATE_MAXIMIZED_VERT", False));
        ev.xclient.data.l[2] = static_cast<long>(XInternAtom(d, "_NET_WM_STATE_MAXIMIZED_HORZ", False));
        ev.xclient.data.l[3] = 1;  // from an application
        XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
        XFlush(d);
    } else {
        rc = 2;
    }
    XCloseDisplay(d);
    return rc;
}
