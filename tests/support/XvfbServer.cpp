#include "support/XvfbServer.h"

#include <QStandardPaths>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

XvfbServer::~XvfbServer()
{
    stop();
}

bool XvfbServer::start(const QString& screen)
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) {
        m_error = QStringLiteral("Xvfb is not installed (Debian package xvfb)");
        return false;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        m_error = QStringLiteral("pipe failed");
        return false;
    }
    const int writeEnd = fds[1];
    m_process.setChildProcessModifier([writeEnd] { ::fcntl(writeEnd, F_SETFD, 0); });
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QString::number(writeEnd), QStringLiteral("-noreset"),
                     QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                     QStringLiteral("0"), screen, QStringLiteral("+extension"), QStringLiteral("RANDR")});
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
        m_error = QStringLiteral("Xvfb did not start");
        stop();
        return false;
    }
    m_display = QLatin1Char(':') + QString::fromLatin1(number);
    qputenv("DISPLAY", m_display.toLatin1());
    return true;
}

void XvfbServer::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }
}

int XvfbServer::run(const QString& program, const QStringList& arguments, QString* output) const
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForStarted(5000))
        return -1;
    process.waitForFinished(30000);
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
