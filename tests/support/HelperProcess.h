#pragma once

#include <QProcess>

// A program run for a test (an X server, a bus, a window manager), stopped when this object goes.
class HelperProcess : public QProcess
{
public:
    ~HelperProcess() override { stop(); }
    void stop()
    {
        terminate();
        if (!waitForFinished(5000))
            kill();
        waitForFinished(2000);
    }
};
