#pragma once

#include "core/Result.h"
#include "core/textsearch/TextRecognitionLevel.h"
#include "core/textsearch/TextState.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

// The recognised text stored on the image file itself, in two extended
// attributes: the text-content attribute (a binary property list holding one
// string, at most 8000 characters) and a level marker ("accurate", "fast" or
// "none" for a file that is not a decodable image). The file alone then tells
// whether it still needs reading. Stateless; safe on any thread.
// The text attribute keeps the name and encoding that desktop search on other
// systems reads, so the text stays findable in screenshots copied there.
class TextMetadata
{
public:
    static const char kTextAttribute[];    // "user.com.apple.metadata:kMDItemTextContent"
    static const char kMarkerAttribute[];  // "user.app.momentra.Momentra.text"
    static constexpr int kMarkerBufferSize = 16;

    static QString markerWord(std::optional<TextRecognitionLevel> level);  // "accurate", "fast", "none"

    // Stores the text (cut to 8000 characters), then the marker. When the
    // file system has no room for the whole text, the longest prefix of whole
    // characters that fits is stored, so the marker still is. Fails with the
    // system's message; a failed text write leaves the marker untouched.
    static Result<void> write(const QString& text, const QString& path, std::optional<TextRecognitionLevel> level);

    static std::optional<QString> readMarker(const QString& path) { return readMarker(QFile::encodeName(path)); }
    // The marker of the file at a native path (as the file system spells it), or nothing without one.
    static std::optional<QString> readMarker(const QByteArray& nativePath);
    static TextState textState(const QString& path) { return textState(QFile::encodeName(path)); }
    // What the file at a native path holds; `marker`, when given, receives
    // the marker word (empty for a file with text but no marker).
    static TextState textState(const QByteArray& nativePath, QString* marker = nullptr);
    // The stored text, or nothing when there is none or it cannot be decoded.
    static std::optional<QString> readText(const QString& path);
};
