#include "core/textsearch/TextRecognitionLevel.h"

namespace TextRecognitionLevels {

QList<TextRecognitionLevel> all()
{
    return {TextRecognitionLevel::Accurate, TextRecognitionLevel::Fast};
}

QString rawValue(TextRecognitionLevel level)
{
    return level == TextRecognitionLevel::Fast ? QStringLiteral("Fast") : QStringLiteral("Accurate");
}

std::optional<TextRecognitionLevel> fromRawValue(const QString& raw)
{
    for (TextRecognitionLevel level : all()) {
        if (rawValue(level) == raw)
            return level;
    }
    return std::nullopt;
}

}  // namespace TextRecognitionLevels
