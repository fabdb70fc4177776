// Time from the start of a program to its first window on screen, for several programs side by side.
//   bench_startup <runs> <name>|<window title>|<program> [<name>|<window title>|<program> ...]
//
// bench/startup.sh runs it on a virtual X server (Xvfb, no window manager) against the real client (its
// login window "登陆", on the demo databases) and against bench_bare_dialog, a bare Qt dialog, the floor
// that any Qt program pays. Every program is measured the same way, from outside:
//
//  - This program is an X client of its own that watches the root window (SubstructureNotify): it sees
//    every top-level window being mapped, whoever owns it.
//  - The clock starts just before the program is spawned (posix_spawn, the environment inherited) and
//    stops when this program receives the MapNotify of a top-level window whose _NET_WM_PID is the
//    program's and whose _NET_WM_NAME is the title given. Without a window manager a mapped top-level
//    window is viewable at once, so that is the moment it is on screen.
//  - 300 ms later the program's peak resident memory (VmHWM) is read, then it is ended (SIGTERM, then
//    SIGKILL) and 200 ms pass before the next start.
//  - Runs alternate between the programs (and their order alternates), so that other load on the
//    machine falls on all of them alike. One warm-up run of each program is not counted.
//
// Prints per program the median, the minimum, the maximum and the peak memory; with two programs, the
// ratio of the first median to the second.

#include <xcb/xcb.h>

#include "xcbprops.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Target {
    std::string name;
    std::string title;
    std::string program;
    std::vector<double> ms;
    long peakKiB = 0;
};

struct X {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t netWmPid = 0;
    xcb_atom_t netWmName = 0;
    xcb_atom_t utf8 = 0;
};




long peakKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

void end(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// One start of the program: milliseconds to the map of its window, or a negative number on failure.
double measure(X& x, Target& t)
{
    char* argv[] = {t.program.data(), nullptr};
    while (xcb_generic_event_t* e = xcb_poll_for_event(x.c)) // nothing left over from an earlier run
        free(e);
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, t.program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", t.program.c_str());
        return -1;
    }
    double ms = -1;
    const Clock::time_point deadline = start + std::chrono::seconds(30);
    pollfd fd{xcb_get_file_descriptor(x.c), POLLIN, 0};
    while (ms < 0 && Clock::now() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "%s ended before its window appeared\n", t.name.c_str());
            return -1;
        }
        poll(&fd, 1, 20);
        while (xcb_generic_event_t* e = xcb_poll_for_event(x.c)) {
            const Clock::time_point seen = Clock::now();
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY && ms < 0) {
                const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(e);
                if (xcbWindowPid(x.c, map->window, x.netWmPid) == uint32_t(pid) &&
                    xcbProperty(x.c, map->window, x.netWmName, x.utf8) == t.title)
                    ms = std::chrono::duration<double, std::milli>(seen - start).count();
            }
            free(e);
        }
        if (xcb_connection_has_error(x.c)) {
            std::fprintf(stderr, "lost the X server\n");
            std::exit(1);
        }
    }
    if (ms >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        t.peakKiB = std::max(t.peakKiB, peakKiB(pid));
    } else {
        std::fprintf(stderr, "%s: no window \"%s\" within 30 s\n", t.name.c_str(), t.title.c_str());
    }
    end(pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <runs> <name>|<window title>|<program> ...\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    std::vector<Target> targets;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const size_t a = arg.find('|'), b = arg.find('|', a == std::string::npos ? a : a + 1);
        if (a == std::string::npos || b == std::string::npos) {
            std::fprintf(stderr, "bad target %s\n", argv[i]);
            return 2;
        }
        targets.push_back({arg.substr(0, a), arg.substr(a + 1, b - a - 1), arg.substr(b + 1), {}, 0});
    }

    X x;
    int screenNo = 0;
    x.c = xcb_connect(nullptr, &screenNo);
    if (xcb_connection_has_error(x.c)) {
        std::fprintf(stderr, "cannot connect to the X server\n");
        return 1;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(x.c));
    for (int i = 0; i < screenNo; ++i)
        xcb_screen_next(&it);
    x.root = it.data->root;
    x.netWmPid = xcbAtom(x.c, "_NET_WM_PID");
    x.netWmName = xcbAtom(x.c, "_NET_WM_NAME");
    x.utf8 = xcbAtom(x.c, "UTF8_STRING");
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    if (xcb_generic_error_t* err =
            xcb_request_check(x.c, xcb_change_window_attributes_checked(x.c, x.root, XCB_CW_EVENT_MASK, &mask))) {
        std::fprintf(stderr, "cannot watch the root window\n");
        free(err);
        return 1;
    }

    for (int round = -1; round < runs; ++round) { // round -1: warm-up
        for (size_t k = 0; k < targets.size(); ++k) {
            Target& t = targets[(round & 1) ? targets.size() - 1 - k : k];
            const double ms = measure(x, t);
            if (ms < 0)
                return 1;
            if (round >= 0)
                t.ms.push_back(ms);
        }
    }

    std::vector<double> medians;
    for (Target& t : targets) {
        std::sort(t.ms.begin(), t.ms.end());
        const double median = t.ms.size() % 2 ? t.ms[t.ms.size() / 2]
                                              : (t.ms[t.ms.size() / 2 - 1] + t.ms[t.ms.size() / 2]) / 2;
        medians.push_back(median);
        std::printf("%s: start to window \"%s\" mapped (ms), %zu runs: median %.1f, min %.1f, max %.1f; peak memory %ld MiB (%ld KiB)\n",
                    t.name.c_str(), t.title.c_str(), t.ms.size(), median, t.ms.front(), t.ms.back(), t.peakKiB / 1024,
                    t.peakKiB);
    }
    if (targets.size() == 2 && medians[1] > 0)
        std::printf("ratio %s / %s (medians): %.2f\n", targets[0].name.c_str(), targets[1].name.c_str(),
                    medians[0] / medians[1]);
    xcb_disconnect(x.c);
    return 0;
}
