#include "platform/sessionend.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vek::platform {

namespace {

// The signal handler only writes a byte; the user-interface thread reads it through a socket
// notifier and ends the program there.
int g_pipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void watchSessionEnd(std::function<void()> onEnd)
{
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    ::fcntl(g_pipe[1], F_SETFL, ::fcntl(g_pipe[1], F_GETFL) | O_NONBLOCK);

    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, onEnd = std::move(onEnd)] {
        char bytes[16];
        [[maybe_unused]] const ssize_t n = ::read(g_pipe[0], bytes, sizeof bytes);
        // Once is enough: the teardown is under way, a second signal changes nothing.
        notifier->setEnabled(false);
        onEnd();
    });

    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    // Log-out and shutdown (SIGTERM), a closed terminal or session (SIGHUP), Ctrl+C in a terminal.
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(sig, &sa, nullptr);
}

} // namespace vek::platform
