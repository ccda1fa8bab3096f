#pragma once

#include "core/capture/CaptureConfiguration.h"
#include "core/capture/CaptureTickResult.h"
#include "core/capture/ScreenSource.h"

#include <QDateTime>
#include <QStringList>

class ImageCodec;
class LiveTextSink;

// The capture step: one image of every connected display (or of the chosen
// one), each written into today's day folder under its timestamped name,
// marked, and handed to text recognition. It keeps no state between
// captures and touches nothing but its arguments, so it runs on a worker
// thread; the display ordinals it updates travel back in the result.
class DisplayCapture
{
public:
    // Without a sink, new screenshots are not handed on.
    DisplayCapture(ScreenSource& source, ImageCodec& codec, LiveTextSink* textSink = nullptr);

    // All displays of one call share `now`, so their names differ only by
    // suffix. `writtenFiles`, when given, receives each file written.
    CaptureTickResult capture(const CaptureConfiguration& configuration,
                              const QDateTime& now = QDateTime::currentDateTime(), QStringList* writtenFiles = nullptr);

    // What to leave out of a display's image and at what size to take it.
    static DisplayCaptureRequest requestFor(const CaptureConfiguration& configuration, const DisplayInfo& display);

private:
    struct Entry
    {
        DisplayInfo display;
        QString identity;
        int ordinal = 0;
    };
    struct Failure
    {
        int ordinal = 0;
        QString message;
    };

    // Buffers kept between captures cost more memory than they save time
    // when captures are this far apart.
    static constexpr double kKeepBuffersBelowSeconds = 10;

    CaptureTickResult captureDisplays(const CaptureConfiguration& configuration, const QDateTime& now,
                                      QStringList* writtenFiles);
    static QList<Entry> orderedEntries(const QList<DisplayInfo>& displays, const QMap<QString, int>& existing,
                                       QMap<QString, int>* dictionary);

    ScreenSource& m_source;
    ImageCodec& m_codec;
    LiveTextSink* m_textSink;
};
