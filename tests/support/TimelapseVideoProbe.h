#pragma once

#include <QSize>
#include <QString>

// Reads back videos written by timelapse tests with ffprobe (Debian package "ffmpeg").
class TimelapseVideoProbe
{
public:
    struct Facts
    {
        QString codec;        // "h264"
        QString pixelFormat;  // "yuv420p"
        QSize size;
        QString frameRate;    // "12/1"
        int frames = -1;      // decoded frames
        double duration = 0;  // seconds
    };

    // Empty when both tools are present, else the complaint.
    static QString missingTools();
    static Facts probe(const QString& path);
};
