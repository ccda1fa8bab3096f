#pragma once

#include "core/textsearch/TextRecognizer.h"
#include "media/MediaModule.h"

#include <memory>
#include <mutex>

// The application's text recognizer: Tesseract, from its module, loaded on the
// first read or language query. When the module can't be loaded every read
// fails with the reason and no language is offered.
class LazyTextRecognizer : public TextRecognizer
{
public:
    LazyTextRecognizer();

    TextReadResult recognize(const Bitmap& image, const TextSearchSettings& settings, QDeadlineTimer deadline) override;
    PreparedRead prepare(const Bitmap& image, const TextSearchSettings& settings) override;
    std::shared_ptr<TextPage> preparePage(const Bitmap& image, const TextSearchSettings& settings) override;
    QStringList supportedLanguages(TextRecognitionLevel level) override;

private:
    TextRecognizer* engine();  // nullptr when the module is missing

    MediaModule m_module;
    std::once_flag m_created;
    std::unique_ptr<TextRecognizer> m_engine;
};
