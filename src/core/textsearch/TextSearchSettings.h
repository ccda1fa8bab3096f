#pragma once

#include "core/textsearch/TextRecognitionLevel.h"

#include <QString>

#include <optional>

// Settings for recognising the text in screenshots.
struct TextSearchSettings
{
    TextRecognitionLevel level = TextRecognitionLevel::Accurate;
    std::optional<QString> language;  // a supported language; nothing = automatic
    bool usesLanguageCorrection = false;

    bool operator==(const TextSearchSettings&) const = default;
};
