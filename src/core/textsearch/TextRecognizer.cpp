#include "core/textsearch/TextRecognizer.h"

#include "core/textsearch/TextCharacters.h"
#include "core/textsearch/TextPage.h"

TextReadResult withTimeout(double timeoutSeconds, const std::function<TextReadResult(QDeadlineTimer)>& operation)
{
    const QDeadlineTimer deadline(qint64(timeoutSeconds * 1000), Qt::PreciseTimer);
    TextReadResult result = operation(deadline);
    if (deadline.hasExpired())
        return TextReadResult::timedOut();
    return result;
}

TextReadResult TextRecognizer::recognizeWithin(const Bitmap& image, const TextSearchSettings& settings,
                                               double timeoutSeconds)
{
    return readWithin([&](QDeadlineTimer deadline) { return recognize(image, settings, deadline); }, timeoutSeconds);
}

TextRecognizer::PreparedRead TextRecognizer::prepare(const Bitmap& image, const TextSearchSettings& settings)
{
    return [this, image, settings](QDeadlineTimer deadline) { return recognize(image, settings, deadline); };
}

TextReadResult TextRecognizer::readWithin(const PreparedRead& read, double timeoutSeconds)
{
    TextReadResult result = withTimeout(timeoutSeconds, read);
    if (!result.ok())
        return result;
    return TextReadResult::read(TextCharacters::prefix(result.text(), TextCharacters::kStoredLimit));
}

std::shared_ptr<TextPage> TextRecognizer::preparePage(const Bitmap&, const TextSearchSettings&)
{
    return nullptr;
}
