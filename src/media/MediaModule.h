#pragma once

#include <QByteArray>
#include <QString>

#include <mutex>

// A part of the media layer built as a loadable module (momentra-NAME.so) and
// loaded on first use. Tesseract, FFmpeg and libheif pull in some eighty
// libraries that, mapped at start, would keep about 25 MB resident in a
// process that may never read text, export a video or write HEIC.
//
// Looked for in ../lib/momentra beside the executable (installed and
// relocated builds), then by name (a build tree's run path). Loaded once,
// never unloaded; safe to use from several threads at once.
class MediaModule
{
public:
    explicit MediaModule(QByteArray name);
    MediaModule(const MediaModule&) = delete;
    MediaModule& operator=(const MediaModule&) = delete;

    // The module's entry point, or nullptr when the module or the symbol
    // can't be loaded (errorString() says why).
    void* entry(const char* symbol);
    template <typename Function>
    Function entry(const char* symbol)
    {
        return reinterpret_cast<Function>(entry(symbol));
    }
    QString errorString() const;

    QByteArray fileName() const { return "momentra-" + m_name + ".so"; }

private:
    void load();

    const QByteArray m_name;
    std::once_flag m_loaded;
    void* m_handle = nullptr;
    mutable std::mutex m_mutex;
    QString m_error;
};
