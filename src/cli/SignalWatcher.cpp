#include "cli/SignalWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_pipe[2] = {-1, -1};
}

SignalWatcher::SignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent)
    : QObject(parent), m_signals(signalNumbers)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::readPipe);
    struct sigaction action {};
    action.sa_handler = &SignalWatcher::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : m_signals)
        ::sigaction(number, &action, nullptr);
}

SignalWatcher::~SignalWatcher()
{
    for (int number : std::as_const(m_signals))
        ::signal(number, SIG_DFL);
    delete m_notifier;
    for (int& fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void SignalWatcher::handle(int signalNumber)
{
    const unsigned char byte = (unsigned char)signalNumber;
    if (g_pipe[0] >= 0)
        (void)!::write(g_pipe[0], &byte, 1);
}

void SignalWatcher::readPipe()
{
    unsigned char byte = 0;
    while (::read(g_pipe[1], &byte, 1) == 1)
        Q_EMIT received(int(byte));
}
