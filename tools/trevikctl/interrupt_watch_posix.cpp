#include "interrupt_watch.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The write end of the watch's socket pair; a signal handler may only write(2) to it.
int g_signalWrite = -1;

void onSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t n = ::write(g_signalWrite, &byte, 1);
    errno = saved;
}

constexpr int kWatched[] = {SIGINT, SIGTERM};

} // namespace

struct InterruptWatch::Private
{
    int pair[2] = {-1, -1};
    struct sigaction previous[2] {};
    QSocketNotifier* notifier = nullptr;
};

InterruptWatch::InterruptWatch(QObject* parent) : QObject(parent), d(new Private)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, d->pair) != 0)
        return;
    g_signalWrite = d->pair[1];
    d->notifier = new QSocketNotifier(d->pair[0], QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(d->pair[0], &byte, 1) == 1)
            emit interrupted(byte);
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i)
        ::sigaction(kWatched[i], &action, &d->previous[i]);
}

InterruptWatch::~InterruptWatch()
{
    if (d->pair[0] >= 0) {
        for (int i = 0; i < 2; ++i)
            ::sigaction(kWatched[i], &d->previous[i], nullptr);
        g_signalWrite = -1;
        ::close(d->pair[0]);
        ::close(d->pair[1]);
    }
    delete d;
}
