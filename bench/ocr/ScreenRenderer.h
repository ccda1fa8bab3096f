#pragma once

#include <QImage>
#include <QRandomGenerator>
#include <QStringList>

// Draws desktop-like 1920×1080 screenshots of known words: a title bar, a
// side bar and document columns in several fonts and sizes, light or dark.
class ScreenRenderer
{
public:
    enum class Theme { Light, Dark, Mixed };  // Mixed: dark side bar, light document

    struct Screen
    {
        QImage image;
        QStringList words;  // every word drawn
    };

    static Screen render(int seed, Theme theme);
    static QString themeName(Theme theme);
    static QString randomWord(QRandomGenerator& random);  // from the words the screens are made of
};
