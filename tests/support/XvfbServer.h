#pragma once

#include "support/HelperProcess.h"

#include <QString>
#include <QStringList>

// A private X server for one test binary: Xvfb -noreset on a display number
// it picks itself. DISPLAY is set while it runs. Fails the test with the
// package name when Xvfb is missing.
class XvfbServer
{
public:
    // screen like "3840x1080x24"; options are added to Xvfb's command line
    // ("-extension", "MIT-SHM"). Returns false (with error()) on failure.
    bool start(const QString& screen = QStringLiteral("1920x1080x24"), const QStringList& options = {});
    void stop() { m_process.stop(); }
    QString display() const { return m_display; }
    QString error() const { return m_error; }

    // Runs a helper program against this display (xrandr, xdotool, …);
    // returns its exit code, -1 when it could not start.
    int run(const QString& program, const QStringList& arguments, QString* output = nullptr) const;

private:
    HelperProcess m_process;
    QString m_display;
    QString m_error;
};
