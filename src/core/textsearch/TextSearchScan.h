#pragma once

#include "core/textsearch/TextRecognitionLevel.h"

#include <QString>
#include <QStringList>

// The scans that decide which images still need their text read. They look
// at directory entries and extended attributes only, never at pixels (the
// other-folder scan reads a file's first bytes to tell images apart).
// Stateless; safe on any thread.
class TextSearchScan
{
public:
    struct CaptureFolderResult
    {
        int total = 0;         // own screenshots in the day folders
        QStringList toRead;    // paths, oldest day first, by name within a day
        int readWithFast = 0;  // of those, files read with Fast that Accurate reads again
    };
    struct ImagesResult
    {
        int imageCount = 0;
        QStringList toRead;  // paths, sorted
    };
    struct StoredText
    {
        QString path;
        QString marker;  // "accurate", "fast", "none"; empty for a text without a marker
    };

    // The capture folder's day folders, read in parallel, assembled in day order.
    static CaptureFolderResult scanCaptureFolder(const QString& folder, TextRecognitionLevel level);
    // The own screenshots of the capture folder that carry text, oldest day
    // first, by name within a day; the same parallel scan of the attributes.
    static QList<StoredText> storedTexts(const QString& folder);
    // Every image below `folder` (hidden files and folders skipped, symbolic
    // links not followed), recognised by content rather than name.
    static ImagesResult findImages(const QString& folder, TextRecognitionLevel level);
    // The regular files of one directory, in the order the directory gives.
    static QStringList regularFileNames(const QString& directory);
};
