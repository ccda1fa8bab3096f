#include "support/XvfbServer.h"

#include <QStandardPaths>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

XvfbServer::~XvfbServer()
{
    stop();
}

bool XvfbServer::start(const QString& screen, const QStringList& options)
{
    int fds[2];
    if (QStandardPaths::findExecutable("Xvfb").isEmpty() || ::pipe2(fds, O_CLOEXEC) != 0) {
        m_error = "Xvfb is not installed (Debian package xvfb)";
        return false;
    }
    const int writeEnd = fds[1];
    m_process.setChildProcessModifier([writeEnd] { ::fcntl(writeEnd, F_SETFD, 0); });
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start("Xvfb", QStringList{"-displayfd", QString::number(writeEnd), "-noreset", "-nolisten", "tcp", "-screen", "0",
                                        screen, "+extension", "RANDR"} + options);
    ::close(writeEnd);
    QByteArray number;
    pollfd pfd{fds[0], POLLIN, 0};
    while (::poll(&pfd, 1, 10000) > 0) {
        char c;
        if (::read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number.append(c);
    }
    ::close(fds[0]);
    if (number.isEmpty()) {
        m_error = "Xvfb did not start";
        stop();
        return false;
    }
    m_display = QLatin1Char(':') + QString::fromLatin1(number);
    qputenv("DISPLAY", m_display.toLatin1());
    return true;
}

void XvfbServer::stop()
{
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished(2000);
}

int XvfbServer::run(const QString& program, const QStringList& arguments, QString* output) const
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_display);
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForStarted(5000))
        return -1;
    process.waitForFinished(30000);
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
