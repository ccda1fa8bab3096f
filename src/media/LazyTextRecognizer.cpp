#include "media/LazyTextRecognizer.h"

#include "media/modules/ModuleEntries.h"

LazyTextRecognizer::LazyTextRecognizer()
    : m_module("tesseract")
{
}

TextRecognizer* LazyTextRecognizer::engine()
{
    std::call_once(m_created, [this] {
        if (auto create = m_module.entry<CreateTextRecognizer>(kCreateTextRecognizer))
            m_engine.reset(create());
    });
    return m_engine.get();
}

TextReadResult LazyTextRecognizer::recognize(const Bitmap& image, const TextSearchSettings& settings,
                                             QDeadlineTimer deadline)
{
    if (TextRecognizer* recognizer = engine())
        return recognizer->recognize(image, settings, deadline);
    return TextReadResult::failed(m_module.errorString());
}

TextRecognizer::PreparedRead LazyTextRecognizer::prepare(const Bitmap& image, const TextSearchSettings& settings)
{
    if (TextRecognizer* recognizer = engine())
        return recognizer->prepare(image, settings);
    return [message = m_module.errorString()](QDeadlineTimer) { return TextReadResult::failed(message); };
}

std::shared_ptr<TextPage> LazyTextRecognizer::preparePage(const Bitmap& image, const TextSearchSettings& settings)
{
    TextRecognizer* recognizer = engine();
    return recognizer ? recognizer->preparePage(image, settings) : nullptr;
}

QStringList LazyTextRecognizer::supportedLanguages(TextRecognitionLevel level)
{
    TextRecognizer* recognizer = engine();
    return recognizer ? recognizer->supportedLanguages(level) : QStringList();
}
