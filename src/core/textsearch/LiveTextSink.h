#pragma once

#include "core/Bitmap.h"
#include "core/textsearch/TextSearchSettings.h"

#include <QList>
#include <QString>

// A screenshot just written, handed to text recognition in memory (the file
// is never read back).
struct CapturedImage
{
    Bitmap image;
    QString filePath;
    QString display;  // the display's identity: its screenshots are read as a sequence
};

// Where the capture step hands new screenshots for text recognition. It
// returns at once; recognition happens elsewhere.
class LiveTextSink
{
public:
    virtual ~LiveTextSink() = default;
    virtual void enqueue(const QList<CapturedImage>& images, const TextSearchSettings& settings) = 0;
    // The screenshots handed over from now on start new sequences: nothing
    // learnt from earlier ones is reused (after wake).
    virtual void restartSequences() {}
};
