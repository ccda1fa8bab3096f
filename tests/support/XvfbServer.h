#pragma once

#include "support/HelperProcess.h"

#include <QString>
#include <QStringList>

// A private X server for one test binary: Xvfb -noreset on a display number
// it picks itself. DISPLAY is set while it runs.
class XvfbServer
{
public:
    // screen like "3840x1080x24"; options go on Xvfb's command line ("-extension", "MIT-SHM").
    bool start(const QString& screen = QStringLiteral("1920x1080x24"), const QStringList& options = {})
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // -displayfd 1: the display number it found free comes on standard output.
        m_process.start("Xvfb", QStringList{"-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", screen,
                                            "+extension", "RANDR"}
                                    + options);
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        if (!m_process.canReadLine()) {
            m_error = "Xvfb did not start (Debian package xvfb)";
            return false;
        }
        m_display = QLatin1Char(':') + QString::fromLatin1(m_process.readLine()).trimmed();
        qputenv("DISPLAY", m_display.toLatin1());
        return true;
    }
    void stop() { m_process.stop(); }
    QString display() const { return m_display; }
    QString error() const { return m_error; }

    // Runs a program against this display (xrandr, xdotool, …): its exit code, -1 when it did not start.
    int run(const QString& program, const QStringList& arguments, QString* output = nullptr) const
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

private:
    HelperProcess m_process;
    QString m_display;
    QString m_error;
};
