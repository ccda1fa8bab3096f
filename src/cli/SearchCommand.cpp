#include "cli/SearchCommand.h"

#include "app/AppRoot.h"
#include "cli/Console.h"

#include "core/library/LibraryLayout.h"
#include "core/settings/Preferences.h"
#include "core/textsearch/TextMetadata.h"
#include "core/textsearch/TextSearchScan.h"

#include <QDir>

#include <algorithm>

namespace {

// Lower case without accents: "Café" and "CAFE" compare equal.
QString folded(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString result;
    result.reserve(decomposed.size());
    for (QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            result.append(c);
    }
    return result.toCaseFolded();
}

QStringList newestScreenshotsFirst(const QString& folder)
{
    QStringList days = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    days.erase(
        std::remove_if(days.begin(), days.end(), [](const QString& d) { return !LibraryLayout::isDayFolderName(d); }),
        days.end());
    std::sort(days.begin(), days.end(), std::greater<>());
    QStringList paths;
    for (const QString& day : days) {
        QStringList names = TextSearchScan::regularFileNames(folder + QLatin1Char('/') + day);
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [](const QString& n) { return !LibraryLayout::isOwnScreenshotName(n); }),
                    names.end());
        std::sort(names.begin(), names.end(), std::greater<>());
        for (const QString& name : names)
            paths.append(folder + QLatin1Char('/') + day + QLatin1Char('/') + name);
    }
    return paths;
}

// The line holding the most of the words (the first such line).
QString bestLine(const QString& text, const QStringList& words)
{
    QString best;
    int bestHits = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString candidate = folded(line);
        const int hits = int(
            std::count_if(words.begin(), words.end(), [&](const QString& w) { return candidate.contains(w); }));
        if (hits > bestHits) {
            best = line.trimmed();
            bestHits = hits;
        }
    }
    return best;
}

int run(AppRoot& root, const QStringList& arguments)
{
    QStringList words;
    for (const QString& argument : arguments) {
        for (const QString& word : argument.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            words.append(folded(word));
    }
    if (words.isEmpty())
        return Console::usageError(QStringLiteral("give the words to look for; usage: momentra search WORDS…"));

    const QString folder = root.preferences().folderPath();
    int found = 0;
    for (const QString& path : newestScreenshotsFirst(folder)) {
        const std::optional<QString> text = TextMetadata::readText(path);
        if (!text || text->isEmpty())
            continue;
        const QString haystack = folded(*text);
        if (!std::all_of(words.begin(), words.end(), [&](const QString& w) { return haystack.contains(w); }))
            continue;
        ++found;
        Console::out(path);
        Console::out(QStringLiteral("    ") + bestLine(*text, words));
    }
    if (found == 0) {
        Console::err(QStringLiteral("No screenshot in %1 contains %2.")
                         .arg(QDir::toNativeSeparators(folder), arguments.join(QLatin1Char(' '))));
        return 1;
    }
    return 0;
}

}  // namespace

Command SearchCommand::command()
{
    return {QStringLiteral("search"), QStringLiteral("search WORDS…"),
            QStringLiteral("list the screenshots whose text contains all the words, newest first"), &run};
}
