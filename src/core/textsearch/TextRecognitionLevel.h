#pragma once

#include <QList>
#include <QString>

#include <optional>

// How hard text recognition works: Accurate reads more, Fast costs less.
enum class TextRecognitionLevel { Accurate, Fast };

namespace TextRecognitionLevels {
QList<TextRecognitionLevel> all();  // Accurate, Fast
QString rawValue(TextRecognitionLevel level);  // "Accurate", "Fast"
std::optional<TextRecognitionLevel> fromRawValue(const QString& raw);
}  // namespace TextRecognitionLevels
