// A flood of show datagrams at a client on a virtual X server, measured from outside.
//   bench_flood <label> <seconds> <datagrams per second> <port> <client pid> <X server pid> <main window id>
//
// bench/flood.sh starts the X server (Xvfb, no window manager) and the client logged in, then this
// program, an X client of its own:
//  - sends "show|flood<i>|洪水|正文" (GBK) to the port at the given rate for the given time, from a
//    thread of its own, paced against the clock;
//  - clicks, through the XTEST extension, alternately on two navigation items of the main window
//    ("MIS 缺陷", "物业缺陷") every half second of the flood and times each click until the main window
//    next changes on screen (a DamageNotify of the DAMAGE extension): that is the window answering.
//    A click not answered within 10 s counts as 10 s and the next one follows;
//  - counts the client's mapped top-level windows other than the main window (the pop-ups) on every
//    MapNotify/UnmapNotify of the root window and keeps the most seen at once;
//  - samples the resident memory of the client and of the X server every 200 ms;
//  - after the flood waits until the client has mapped nothing for 2 s (60 s at most), then reads the
//    title of its topmost pop-up in the stacking order and compares it with the last datagram's caption.
// The main window must not overlap the place of the pop-ups (a large screen, the window centred).

#include <QByteArray>
#include <QString>
#include <QStringEncoder>

#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include "xcbprops.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

long residentKiB(long pid)
{
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}



} // namespace

int main(int argc, char** argv)
{
    if (argc != 8) {
        std::fprintf(stderr, "usage: %s <label> <seconds> <rate> <port> <client pid> <X server pid> <main window id>\n", argv[0]);
        return 2;
    }
    const std::string label = argv[1];
    const int seconds = std::atoi(argv[2]);
    const int rate = std::atoi(argv[3]);
    const int port = std::atoi(argv[4]);
    const long clientPid = std::atol(argv[5]);
    const long serverPid = std::atol(argv[6]);
    const xcb_window_t mainWindow = xcb_window_t(std::strtoul(argv[7], nullptr, 10));

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t netWmPid = xcbAtom(c, "_NET_WM_PID"), netWmName = xcbAtom(c, "_NET_WM_NAME"), utf8 = xcbAtom(c, "UTF8_STRING");
    free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
    const xcb_query_extension_reply_t* damageExt = xcb_get_extension_data(c, &xcb_damage_id);
    if (!damageExt || !damageExt->present) {
        std::fprintf(stderr, "the X server has no DAMAGE extension\n");
        return 1;
    }
    const xcb_damage_damage_t damage = xcb_generate_id(c);
    xcb_damage_create(c, damage, mainWindow, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    xcb_translate_coordinates_reply_t* at =
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, mainWindow, root, 0, 0), nullptr);
    if (!at) {
        std::fprintf(stderr, "the main window is gone\n");
        return 1;
    }
    const int items[2][2] = {{at->dst_x + 84, at->dst_y + 153}, {at->dst_x + 84, at->dst_y + 182}};
    free(at);
    xcb_flush(c);

    auto pidOf = [&](xcb_window_t w) { return long(xcbWindowPid(c, w, netWmPid)); };
    std::set<xcb_window_t> popups;
    size_t mostOpen = 0;
    Clock::time_point lastMap = Clock::now();
    bool damaged = false;
    // Handles what the X server has sent; true while the connection is good.
    auto pump = [&]() {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            const uint8_t type = e->response_type & 0x7f;
            if (type == XCB_MAP_NOTIFY) {
                const auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
                if (m->window != mainWindow && pidOf(m->window) == clientPid) {
                    popups.insert(m->window);
                    mostOpen = std::max(mostOpen, popups.size());
                    lastMap = Clock::now();
                }
            } else if (type == XCB_UNMAP_NOTIFY) {
                popups.erase(reinterpret_cast<xcb_unmap_notify_event_t*>(e)->window);
            } else if (type == XCB_DESTROY_NOTIFY) {
                popups.erase(reinterpret_cast<xcb_destroy_notify_event_t*>(e)->window);
            } else if (type == damageExt->first_event + XCB_DAMAGE_NOTIFY) {
                damaged = true;
            }
            free(e);
        }
        return !xcb_connection_has_error(c);
    };
    auto waitFor = [&](int ms) {
        pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&p, 1, ms);
        return pump();
    };
    auto click = [&](int i) {
        xcb_damage_subtract(c, damage, XCB_NONE, XCB_NONE);
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // the subtract is done
        pump();
        damaged = false;
        xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, int16_t(items[i][0]), int16_t(items[i][1]), 0);
        xcb_test_fake_input(c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(c);
    };

    // Each item once before the flood: their pages exist from then on.
    for (int i = 0; i < 2; ++i) {
        click(i);
        const auto t = Clock::now();
        while (!damaged && msSince(t) < 10000)
            waitFor(50);
        const auto calm = Clock::now();
        while (msSince(calm) < 500)
            waitFor(50);
    }
    pump();
    popups.clear();
    mostOpen = 0;

    const long clientBefore = residentKiB(clientPid), serverBefore = residentKiB(serverPid);
    long clientPeak = clientBefore, serverPeak = serverBefore;
    const int total = seconds * rate;
    std::atomic<bool> sending{true};
    std::thread sender([&] {
        const int s = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(uint16_t(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QStringEncoder gbk("GBK");
        const QByteArray tail = QByteArray("|") + QByteArray(gbk(QStringLiteral("洪水|正文")));
        const auto start = Clock::now();
        for (int i = 0; i < total; ++i) {
            const auto due = start + std::chrono::microseconds(int64_t(i) * 1000000 / rate);
            std::this_thread::sleep_until(due);
            const QByteArray d = "show|flood" + QByteArray::number(i) + tail;
            sendto(s, d.constData(), size_t(d.size()), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        }
        close(s);
        sending = false;
    });

    std::vector<double> clicks;
    int unanswered = 0;
    auto sample = Clock::now();
    auto nextClick = Clock::now() + std::chrono::milliseconds(500);
    int item = 0;
    bool waiting = false;
    Clock::time_point clickedAt;
    while (sending) {
        waitFor(5);
        if (msSince(sample) >= 200) {
            sample = Clock::now();
            clientPeak = std::max(clientPeak, residentKiB(clientPid));
            serverPeak = std::max(serverPeak, residentKiB(serverPid));
        }
        if (!waiting && Clock::now() >= nextClick) {
            click(item);
            item ^= 1;
            clickedAt = Clock::now();
            waiting = true;
        } else if (waiting && (damaged || msSince(clickedAt) >= 10000)) {
            if (damaged)
                clicks.push_back(msSince(clickedAt));
            else {
                clicks.push_back(10000);
                ++unanswered;
            }
            waiting = false;
            nextClick = Clock::now() + std::chrono::milliseconds(500);
        }
    }
    sender.join();
    // The client catches up: nothing new mapped for 2 s, or 60 s at most.
    const auto floodEnd = Clock::now();
    while (msSince(lastMap) < 2000 && msSince(floodEnd) < 60000) {
        waitFor(50);
        if (msSince(sample) >= 200) {
            sample = Clock::now();
            clientPeak = std::max(clientPeak, residentKiB(clientPid));
            serverPeak = std::max(serverPeak, residentKiB(serverPid));
        }
    }
    const double settleMs = msSince(floodEnd);
    std::string top;
    if (xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr)) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = xcb_query_tree_children_length(tree) - 1; i >= 0 && top.empty(); --i)
            if (popups.count(children[i]))
                top = xcbProperty(c, children[i], netWmName, utf8);
        free(tree);
    }
    const std::string last = "flood" + std::to_string(total - 1);

    std::sort(clicks.begin(), clicks.end());
    const double median = clicks.empty() ? 0 : clicks[clicks.size() / 2];
    const double worst = clicks.empty() ? 0 : clicks.back();
    std::printf("%s: %d show datagrams in %d s; clicks on a navigation item during the flood: %zu, median %.0f ms, worst %.0f ms%s "
                "(target: answered within 1 s)\n",
                label.c_str(), total, seconds, clicks.size(), median, worst,
                unanswered ? (", " + std::to_string(unanswered) + " not answered within 10 s").c_str() : "");
    std::printf("%s: pop-ups on screen at most %zu at once (bound 50)\n", label.c_str(), mostOpen);
    std::printf("%s: resident memory, client %ld -> peak %ld MiB (growth %ld), X server %ld -> peak %ld MiB (growth %ld) "
                "(target: growth under 150 MB each)\n",
                label.c_str(), clientBefore / 1024, clientPeak / 1024, (clientPeak - clientBefore) / 1024, serverBefore / 1024,
                serverPeak / 1024, (serverPeak - serverBefore) / 1024);
    std::printf("%s: after the flood: %s %.1f s; on top: \"%s\", last sent \"%s\": %s\n", label.c_str(),
                msSince(lastMap) >= 2000 ? "quiet after" : "STILL BUSY after", settleMs / 1000, top.c_str(), last.c_str(),
                top == last ? "yes" : "NO");
    xcb_disconnect(c);
    return 0;
}
