#include "support/XvfbServer.h"

bool XvfbServer::start(const QString& screen, const QStringList& options)
{
    m_process.setReadChannel(QProcess::StandardOutput);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // -displayfd 1: the display number it found free comes on standard output.
    m_process.start("Xvfb", QStringList{"-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", screen,
                                        "+extension", "RANDR"} + options);
    while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
    }
    if (!m_process.canReadLine()) {
        m_error = "Xvfb did not start (Debian package xvfb)";
        stop();
        return false;
    }
    m_display = QLatin1Char(':') + QString::fromLatin1(m_process.readLine()).trimmed();
    qputenv("DISPLAY", m_display.toLatin1());
    return true;
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
