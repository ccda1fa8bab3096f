#include "core/textsearch/TextRecognizer.h"

#include "core/textsearch/TextCharacters.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

struct SharedRecognizer
{
    QMutex mutex;
    std::function<std::shared_ptr<TextRecognizer>()> factory;
    std::shared_ptr<TextRecognizer> instance;
};

SharedRecognizer& sharedState()
{
    static SharedRecognizer state;
    return state;
}

}  // namespace

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
    TextReadResult result = withTimeout(timeoutSeconds, [&](QDeadlineTimer deadline) {
        return recognize(image, settings, deadline);
    });
    if (!result.ok())
        return result;
    return TextReadResult::read(TextCharacters::prefix(result.text(), TextCharacters::kStoredLimit));
}

std::shared_ptr<TextRecognizer> TextRecognizer::shared()
{
    SharedRecognizer& state = sharedState();
    QMutexLocker lock(&state.mutex);
    if (!state.instance && state.factory)
        state.instance = state.factory();
    return state.instance;
}

void TextRecognizer::setSharedFactory(std::function<std::shared_ptr<TextRecognizer>()> factory)
{
    SharedRecognizer& state = sharedState();
    QMutexLocker lock(&state.mutex);
    state.factory = std::move(factory);
    state.instance.reset();
}
