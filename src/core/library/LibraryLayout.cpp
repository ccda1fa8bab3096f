#include "core/library/LibraryLayout.h"

#include <QDir>
#include <QLocale>
#include <QSet>

#include <algorithm>

namespace {

const QString kDayPattern = QStringLiteral("yyyy-MM-dd");
const QString kFileTimePattern = QStringLiteral("yyyy-MM-dd_HH-mm-ss");
const QString kPrefix = QStringLiteral("Momentra_");
constexpr quint32 kUnknownVendor = 0x756E6B6E;  // 'unkn'

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

int twoDigits(const QString& text, int at)
{
    return (text.at(at).unicode() - '0') * 10 + (text.at(at + 1).unicode() - '0');
}

QString format(const QDateTime& date, const QString& pattern)
{
    return QLocale::c().toString(date.toLocalTime(), pattern);
}

}  // namespace

QString LibraryLayout::dayFolderName(const QDateTime& date)
{
    return format(date, kDayPattern);
}

std::optional<QString> LibraryLayout::namedDay(const QString& word, const QDateTime& now)
{
    if (word == QLatin1String("today"))
        return dayFolderName(now);
    if (word == QLatin1String("yesterday"))
        return dayFolderName(now.addDays(-1));
    if (dayDate(word))
        return word;
    return std::nullopt;
}

std::optional<QDateTime> LibraryLayout::dayDate(const QString& folderName)
{
    if (!isDayFolderName(folderName))  // the date parser also takes a sign, "-2024-01-11"
        return std::nullopt;
    const QDate day = QLocale::c().toDate(folderName, kDayPattern);
    if (!day.isValid())
        return std::nullopt;
    const QDateTime start = day.startOfDay();
    if (dayFolderName(start) != folderName)
        return std::nullopt;
    return start;
}

QString LibraryLayout::fileTimeText(const QDateTime& date)
{
    return format(date, kFileTimePattern);
}

std::optional<QDateTime> LibraryLayout::fileTimeDate(const QString& text)
{
    const QDateTime date = QLocale::c().toDateTime(text, kFileTimePattern);  // local time
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString LibraryLayout::screenshotFileName(const QDateTime& date, int ordinal, ScreenshotFormat fmt)
{
    QString name = kPrefix + fileTimeText(date);
    if (ordinal != 1)
        name += QStringLiteral("_Display") + QString::number(ordinal);
    return name + QLatin1Char('.') + ScreenshotFormats::fileExtension(fmt);
}

QString LibraryLayout::numberedFileName(const QString& fileName, int number)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString suffix = QLatin1Char('_') + QString::number(number);
    return dot < 0 ? fileName + suffix : fileName.left(dot) + suffix + fileName.mid(dot);
}

std::optional<LibraryLayout::ScreenshotName> LibraryLayout::parseScreenshotName(const QString& baseName)
{
    if (!baseName.startsWith(kPrefix))
        return std::nullopt;
    const std::optional<QDateTime> time = fileTimeDate(baseName.mid(kPrefix.size(), kFileTimePattern.size()));
    if (!time)
        return std::nullopt;
    QStringView rest = QStringView(baseName).mid(kPrefix.size() + kFileTimePattern.size());
    // A run of ASCII digits after `marker` at the start of rest, consumed.
    auto number = [&rest](QStringView marker) -> std::optional<int> {
        if (!rest.startsWith(marker))
            return std::nullopt;
        qsizetype end = marker.size();
        while (end < rest.size() && isAsciiDigit(rest.at(end)))
            ++end;
        bool fits = false;
        const int value = rest.mid(marker.size(), end - marker.size()).toInt(&fits);
        if (!fits)
            return std::nullopt;
        rest = rest.mid(end);
        return value;
    };
    ScreenshotName name{*time};
    if (rest.startsWith(u"_Display")) {
        const std::optional<int> ordinal = number(u"_Display");
        if (!ordinal)
            return std::nullopt;
        name.ordinal = *ordinal;
    }
    if (!rest.isEmpty() && (!number(u"_") || !rest.isEmpty()))
        return std::nullopt;
    return name;
}

bool LibraryLayout::isDayFolderName(const QString& name)
{
    if (name.size() != 10 || name.at(4) != QLatin1Char('-') || name.at(7) != QLatin1Char('-'))
        return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (!isAsciiDigit(name.at(i)))
            return false;
    }
    const int month = twoDigits(name, 5);
    const int day = twoDigits(name, 8);
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

bool LibraryLayout::isOwnScreenshotName(const QString& name)
{
    if (!name.startsWith(kPrefix))
        return false;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    static const QSet<QString> extensions = {QStringLiteral("png"), QStringLiteral("jpeg"), QStringLiteral("jpg"),
                                             QStringLiteral("heic")};
    if (!extensions.contains(name.mid(dot + 1).toLower()))
        return false;
    const QString rest = name.mid(kPrefix.size());
    return rest.size() >= 12 && rest.at(10) == QLatin1Char('_') && isDayFolderName(rest.left(10));
}

int LibraryLayout::countOwnScreenshots(const QString& dayFolder)
{
    const QStringList names = QDir(dayFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                        | QDir::NoDotAndDotDot);
    return int(std::count_if(names.begin(), names.end(), isOwnScreenshotName));
}

int LibraryLayout::todayCount(const QString& screenshotsFolder, const QDateTime& now)
{
    return countOwnScreenshots(QDir(screenshotsFolder).filePath(dayFolderName(now)));
}

QString LibraryLayout::displayIdentity(const DisplayFacts& facts)
{
    if (facts.uuid && !facts.uuid->isEmpty())
        return QStringLiteral("uuid:") + *facts.uuid;
    if (facts.vendor == kUnknownVendor || (facts.vendor == 0 && facts.model == 0 && facts.serial == 0))
        return QStringLiteral("displayID:") + QString::number(facts.displayNumber);
    return QStringLiteral("edid:%1-%2-%3").arg(facts.vendor).arg(facts.model).arg(facts.serial);
}

QList<int> LibraryLayout::orderDisplays(const QList<DisplayRankInput>& displays)
{
    auto rank = [&](int i) {
        if (displays[i].isBuiltIn)
            return 0;
        return displays[i].isMain ? 1 : 2;
    };
    QList<int> order;
    for (int i = 0; i < displays.size(); ++i)
        order.append(i);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return rank(a) != rank(b) ? rank(a) < rank(b) : a < b; });
    return order;
}

OrdinalAssignment LibraryLayout::assignOrdinals(const QStringList& identities, const QMap<QString, int>& existing)
{
    OrdinalAssignment out;
    out.dictionary = existing;
    QSet<int> used;
    for (int ordinal : existing)
        used.insert(ordinal);
    QSet<QString> seen;

    for (const QString& identity : identities) {
        const auto stored = existing.constFind(identity);
        if (stored != existing.constEnd() && !seen.contains(identity)) {
            seen.insert(identity);
            used.insert(*stored);
            out.ordinals.append(*stored);
            continue;
        }
        int n = 1;
        while (used.contains(n))
            ++n;
        used.insert(n);
        if (!seen.contains(identity)) {
            seen.insert(identity);
            out.dictionary.insert(identity, n);
        }
        out.ordinals.append(n);
    }

    if (out.dictionary.size() <= kMaximumStoredOrdinals)
        return out;
    QMap<QString, int> pruned;
    QList<QPair<int, QString>> others;
    for (auto it = out.dictionary.constBegin(); it != out.dictionary.constEnd(); ++it) {
        if (seen.contains(it.key()))
            pruned.insert(it.key(), it.value());
        else
            others.append({it.value(), it.key()});
    }
    std::sort(others.begin(), others.end());
    for (const auto& [ordinal, identity] : others) {
        if (pruned.size() >= kMaximumStoredOrdinals)
            break;
        pruned.insert(identity, ordinal);
    }
    out.dictionary = pruned;
    return out;
}
