// Latency from a "show" datagram to its pop-up window on screen, for several programs side by side.
//   bench_popup_latency <datagrams> <warm-up> <name>:<port>:<pid> [<name>:<port>:<pid> ...]
//
// bench/popup_latency.sh runs it on a virtual X server (Xvfb, no window manager) against the real client
// (logged in, main window up) and against bench_minimal_popup, a minimal Qt program that opens a plain
// window per datagram. Every program under test is measured the same way, from outside:
//
//  - This program is an X client of its own that watches the root window (SubstructureNotify): it sees
//    every top-level window being created, mapped, unmapped and destroyed, whoever owns it.
//  - One datagram is outstanding at a time. The clock starts just before the datagram is sent to the
//    program's UDP port and stops when this program receives the first MapNotify after the send of a
//    top-level window whose _NET_WM_PID is the program's (a window may have been created beforehand:
//    being mapped is what puts it on screen). Without a window manager a
//    mapped top-level window is viewable at once, so that is the moment it is on screen. What the
//    program paints into it afterwards is not observed (nothing outside the program can see it without
//    the DAMAGE extension); both programs paint on the expose that follows the map.
//  - The window is then closed the way a window manager's close box does it (WM_DELETE_WINDOW), and the
//    next datagram goes out only after the window has been destroyed and 20 ms have passed, so each
//    datagram finds an idle program.
//  - Rounds alternate between the programs (and their order alternates), so that other load on the
//    machine falls on all of them alike. The first <warm-up> datagrams of each program are not counted.
//
// Prints per program the median, the 99th percentile (nearest rank), the minimum and the maximum; with
// two programs, the ratio of the first to the second.

#include <QByteArray>
#include <QString>
#include <QStringEncoder>

#include <xcb/xcb.h>

#include "xcbprops.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Target {
    std::string name;
    int port = 0;
    uint32_t pid = 0;
    std::vector<double> ms;
};

struct X {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t netWmPid = 0;
    xcb_atom_t wmProtocols = 0;
    xcb_atom_t wmDelete = 0;
};



// The next event, or nullptr when the deadline passes first.
xcb_generic_event_t* nextEvent(const X& x, Clock::time_point deadline)
{
    for (;;) {
        if (xcb_generic_event_t* e = xcb_poll_for_event(x.c))
            return e;
        if (xcb_connection_has_error(x.c)) {
            fprintf(stderr, "the connection to the X server broke\n");
            exit(2);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return nullptr;
        pollfd p{xcb_get_file_descriptor(x.c), POLLIN, 0};
        poll(&p, 1, int(std::min<long long>(left, 1000)));
    }
}

void drainEvents(const X& x)
{
    while (xcb_generic_event_t* e = xcb_poll_for_event(x.c))
        free(e);
}

// Sends one datagram to the target and waits for its window; returns the latency in ms, or -1.
double measureOne(const X& x, int udp, Target& t, const QByteArray& datagram)
{
    drainEvents(x);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(uint16_t(t.port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);

    xcb_window_t window = 0;
    const Clock::time_point start = Clock::now();
    if (sendto(udp, datagram.constData(), size_t(datagram.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) !=
        datagram.size()) {
        perror("sendto");
        return -1;
    }
    double ms = -1;
    const Clock::time_point deadline = start + std::chrono::seconds(10);
    while (!window) {
        xcb_generic_event_t* e = nextEvent(x, deadline);
        if (!e)
            return -1;
        const Clock::time_point now = Clock::now();
        switch (e->response_type & 0x7f) {
        case XCB_MAP_NOTIFY: {
            const auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
            if (m->event == x.root && !m->override_redirect) {
                const double elapsed = std::chrono::duration<double, std::milli>(now - start).count();
                if (xcbWindowPid(x.c, m->window, x.netWmPid) == t.pid) {
                    window = m->window;
                    ms = elapsed;
                }
            }
            break;
        }
        default:
            break;
        }
        free(e);
    }

    // Closed as by a window manager's close box; then wait for the program to destroy it.
    xcb_client_message_event_t close{};
    close.response_type = XCB_CLIENT_MESSAGE;
    close.format = 32;
    close.window = window;
    close.type = x.wmProtocols;
    close.data.data32[0] = x.wmDelete;
    close.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(x.c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&close));
    xcb_flush(x.c);
    const Clock::time_point gone = Clock::now() + std::chrono::seconds(10);
    for (bool destroyed = false; !destroyed;) {
        xcb_generic_event_t* e = nextEvent(x, gone);
        if (!e) {
            fprintf(stderr, "%s: the window was not destroyed after WM_DELETE_WINDOW\n", t.name.c_str());
            return -1;
        }
        if ((e->response_type & 0x7f) == XCB_DESTROY_NOTIFY &&
            reinterpret_cast<xcb_destroy_notify_event_t*>(e)->window == window)
            destroyed = true;
        free(e);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return ms;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const size_t rank = size_t(std::ceil(p / 100.0 * double(v.size())));
    return v[std::clamp<size_t>(rank, 1, v.size()) - 1];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: %s <datagrams> <warm-up> <name>:<port>:<pid> ...\n", argv[0]);
        return 2;
    }
    const int count = atoi(argv[1]);
    const int warmup = atoi(argv[2]);
    std::vector<Target> targets;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        const size_t a = arg.find(':');
        const size_t b = arg.find(':', a + 1);
        if (a == std::string::npos || b == std::string::npos) {
            fprintf(stderr, "not <name>:<port>:<pid>: %s\n", argv[i]);
            return 2;
        }
        Target t;
        t.name = arg.substr(0, a);
        t.port = atoi(arg.substr(a + 1, b - a - 1).c_str());
        t.pid = uint32_t(strtoul(arg.substr(b + 1).c_str(), nullptr, 10));
        targets.push_back(t);
    }

    X x;
    int screenNumber = 0;
    x.c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(x.c)) {
        fprintf(stderr, "cannot connect to the X server (DISPLAY=%s)\n", getenv("DISPLAY") ? getenv("DISPLAY") : "");
        return 2;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(x.c));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&it);
    x.root = it.data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x.c, x.root, XCB_CW_EVENT_MASK, &mask);
    x.netWmPid = xcbAtom(x.c, "_NET_WM_PID");
    x.wmProtocols = xcbAtom(x.c, "WM_PROTOCOLS");
    x.wmDelete = xcbAtom(x.c, "WM_DELETE_WINDOW");
    xcb_flush(x.c);

    const int udp = socket(AF_INET, SOCK_DGRAM, 0);
    QStringEncoder gbk("GBK");
    for (int i = 0; i < warmup + count; ++i) {
        const QString text = QStringLiteral("show|通知|第%1条通知|请于明天上午到现场确认检修结果，并在系统中填写验收意见。").arg(i + 1);
        const QByteArray datagram = gbk(text);
        for (size_t k = 0; k < targets.size(); ++k) {
            Target& t = targets[(i % 2 ? targets.size() - 1 - k : k)];
            const double ms = measureOne(x, udp, t, datagram);
            if (ms < 0) {
                fprintf(stderr, "%s: no window within 10 s for datagram %d\n", t.name.c_str(), i + 1);
                return 1;
            }
            if (i >= warmup)
                t.ms.push_back(ms);
        }
    }
    close(udp);
    xcb_disconnect(x.c);

    for (const Target& t : targets)
        printf("datagram to pop-up on screen, %s: median %.2f ms, p99 %.2f ms (min %.2f, max %.2f; %zu datagrams after %d "
               "warm-up)\n",
               t.name.c_str(), percentile(t.ms, 50), percentile(t.ms, 99), *std::min_element(t.ms.begin(), t.ms.end()),
               *std::max_element(t.ms.begin(), t.ms.end()), t.ms.size(), warmup);
    if (targets.size() == 2) {
        const Target& a = targets[0];
        const Target& b = targets[1];
        const double median = percentile(a.ms, 50) / percentile(b.ms, 50);
        const double p99 = percentile(a.ms, 99) / percentile(b.ms, 99);
        printf("ratio %s/%s: median %.2f, p99 %.2f (target: within 1.5 x the minimal program: %s)\n", a.name.c_str(),
               b.name.c_str(), median, p99, median <= 1.5 && p99 <= 1.5 ? "met" : "NOT met");
    }
    return 0;
}
