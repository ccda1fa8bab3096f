#include "ScreenRenderer.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRandomGenerator>

namespace {

const char* const kVocabulary[] = {
    "window",   "screen",  "folder",   "document", "settings", "preview",  "network",  "account",  "project",
    "meeting",  "invoice", "calendar", "message",  "download", "terminal", "browser",  "history",  "summary",
    "report",   "quarter", "budget",   "customer", "release",  "version",  "library",  "picture",  "weekend",
    "holiday",  "morning", "evening",  "schedule", "contract", "payment",  "shipping", "address",  "password",
    "security", "privacy", "storage",  "backup",   "server",   "cluster",  "database", "request",  "response",
    "timeout",  "error",   "warning",  "notice",   "update",   "install",  "package",  "compile",  "function",
    "variable", "pointer", "thread",   "process",  "memory",   "kernel",   "editor",   "cursor",   "keyboard",
    "display",  "monitor", "printer",  "camera",   "speaker",  "battery",  "charger",  "orange",   "banana",
    "coffee",   "dinner",  "recipe",   "garden",   "flower",   "forest",   "river",    "mountain", "planet",
    "rocket",   "engine",  "bridge",   "market",   "station",  "airport",  "ticket",   "journey",  "travel",
    "Monday",   "Tuesday", "Friday",   "January",  "October",  "London",   "Berlin",   "Madrid",   "Toronto",
    "Sydney",   "alpha",   "bravo",    "charlie",  "delta",    "echo",     "falcon",   "glacier",  "harbor",
    "island",   "jungle",  "kettle",   "lantern",  "marble",   "needle",   "orchid",   "pepper",   "quartz",
    "ribbon",   "saddle",  "tunnel",   "umbrella", "velvet",   "walnut",   "yellow",   "zipper",   "answer",
    "button",   "cancel",  "delete",   "export",   "filter",   "import",   "insert",   "label",    "option",
    "select",   "submit",  "toggle",   "upload",   "search"};

struct Palette
{
    QColor background, text, barBackground, barText;
};

Palette paletteFor(ScreenRenderer::Theme theme, bool sideBar)
{
    const Palette light{QColor(250, 250, 250), QColor(30, 30, 30), QColor(232, 232, 236), QColor(50, 50, 60)};
    const Palette dark{QColor(36, 37, 42), QColor(220, 222, 226), QColor(24, 25, 28), QColor(190, 195, 205)};
    if (theme == ScreenRenderer::Theme::Mixed)
        return sideBar ? dark : light;
    return theme == ScreenRenderer::Theme::Dark ? dark : light;
}

// Writes lines of random words into `area`, returning them.
QStringList fill(QPainter& painter, QRandomGenerator& random, const QRect& area, const QFont& font, QColor color,
                 int maxLines)
{
    QStringList words;
    painter.setFont(font);
    painter.setPen(color);
    const QFontMetrics metrics(font);
    const int lineHeight = int(metrics.height() * 1.35);
    const int vocabularySize = int(sizeof kVocabulary / sizeof *kVocabulary);
    for (int line = 0, y = area.top() + metrics.ascent(); line < maxLines && y + metrics.descent() < area.bottom();
         ++line, y += lineHeight) {
        QString text;
        QStringList lineWords;
        for (;;) {
            const QString word = QString::fromLatin1(kVocabulary[random.bounded(vocabularySize)]);
            const QString candidate = text.isEmpty() ? word : text + QLatin1Char(' ') + word;
            if (metrics.horizontalAdvance(candidate) > area.width())
                break;
            text = candidate;
            lineWords.append(word);
        }
        painter.drawText(area.left(), y, text);
        words += lineWords;
    }
    return words;
}

}  // namespace

QString ScreenRenderer::randomWord(QRandomGenerator& random)
{
    return QString::fromLatin1(kVocabulary[random.bounded(int(sizeof kVocabulary / sizeof *kVocabulary))]);
}

QString ScreenRenderer::themeName(Theme theme)
{
    switch (theme) {
    case Theme::Light:
        return QStringLiteral("light");
    case Theme::Dark:
        return QStringLiteral("dark");
    case Theme::Mixed:
        return QStringLiteral("mixed");
    }
    return {};
}

ScreenRenderer::Screen ScreenRenderer::render(int seed, Theme theme)
{
    QRandomGenerator random(quint32(seed) * 7919u + quint32(theme));
    Screen screen;
    screen.image = QImage(1920, 1080, QImage::Format_ARGB32);
    QPainter painter(&screen.image);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    static const char* const families[] = {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono",
                                           "Nimbus Sans", "Nimbus Roman", "URW Gothic"};
    static const int pixelSizes[] = {12, 13, 14, 15, 16, 18};
    auto font = [&](int index, int size, bool bold = false) {
        QFont f(QString::fromLatin1(families[index % 6]));
        f.setPixelSize(size);
        f.setBold(bold);
        f.setHintingPreference(QFont::PreferFullHinting);
        return f;
    };

    const Palette doc = paletteFor(theme, false);
    const Palette bar = paletteFor(theme, true);
    painter.fillRect(screen.image.rect(), doc.background);
    // Title bar and side bar.
    painter.fillRect(QRect(0, 0, 1920, 36), bar.barBackground);
    screen.words += fill(painter, random, QRect(16, 8, 900, 26), font(0, 14, true), bar.barText, 1);
    painter.fillRect(QRect(0, 36, 300, 1044), bar.background);
    screen.words += fill(painter, random, QRect(20, 56, 260, 1000), font(seed, 13), bar.text, 28);
    // Two document columns in different fonts and sizes.
    const int first = random.bounded(6), second = random.bounded(6);
    screen.words += fill(painter, random, QRect(340, 60, 760, 1000), font(first, pixelSizes[seed % 6]), doc.text, 40);
    screen.words += fill(painter, random, QRect(1140, 60, 740, 1000), font(second, pixelSizes[(seed + 3) % 6]),
                         doc.text, 40);
    return screen;
}
