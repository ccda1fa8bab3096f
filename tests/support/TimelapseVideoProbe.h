#pragma once

#include <QByteArray>
#include <QColor>
#include <QSize>
#include <QString>

// Reads back videos written by timelapse tests with ffprobe and ffmpeg
// (Debian package "ffmpeg"). Every call fails the current test when a tool is
// missing or the file does not decode.
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
    // Frame `index` decoded to RGB; null on failure.
    static QByteArray decodeFrameRgb(const QString& path, int index, QSize size);
    static QColor pixel(const QByteArray& rgb, QSize size, int x, int y);
};
