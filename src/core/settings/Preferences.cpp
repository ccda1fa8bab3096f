#include "core/settings/Preferences.h"

#include "core/library/LibraryLayout.h"
#include "core/settings/DefaultsStore.h"

#include <QDir>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>

#include <cmath>
#include <functional>
#include <limits>

const QList<int> Preferences::kIntervalPresets = {60, 300, 600, 1800};

namespace {

// A JSON number that holds a whole value that fits in 64 bits.
std::optional<qint64> wholeNumber(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::floor(d) != d || std::fabs(d) > 9.0e18)
        return std::nullopt;
    return value.toInteger();
}

}  // namespace

Preferences::Preferences(DefaultsStore& store, QObject* parent)
    : QObject(parent)
    , m_store(store)
{
    connect(&m_store, &DefaultsStore::valueChanged, this, &Preferences::changed);
}

QString Preferences::key(const char* suffix)
{
    return QStringLiteral("Momentra.") + QLatin1String(suffix);
}

// --- typed helpers --------------------------------------------------------

bool Preferences::boolValue(const char* suffix) const
{
    const QJsonValue value = m_store.value(key(suffix));
    return value.isBool() && value.toBool();
}

void Preferences::setBool(const char* suffix, bool value)
{
    m_store.setValue(key(suffix), value);
}

std::optional<qint64> Preferences::integerValue(const char* suffix) const
{
    return wholeNumber(m_store.value(key(suffix)));
}

int Preferences::positiveInt(const char* suffix, int fallback) const
{
    const auto value = integerValue(suffix);
    if (!value || *value <= 0 || *value > std::numeric_limits<int>::max())
        return fallback;
    return int(*value);
}

std::optional<QString> Preferences::stringValue(const char* suffix) const
{
    const QJsonValue value = m_store.value(key(suffix));
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

void Preferences::setString(const char* suffix, const std::optional<QString>& value)
{
    if (value)
        m_store.setValue(key(suffix), *value);
    else
        m_store.remove(key(suffix));
}

// --- capture --------------------------------------------------------------

int Preferences::intervalSeconds() const
{
    return positiveInt("intervalSeconds", 60);
}
void Preferences::setIntervalSeconds(int value)
{
    m_store.setValue(key("intervalSeconds"), value);
}
int Preferences::customIntervalSeconds() const
{
    return positiveInt("customIntervalSeconds", 60);
}
void Preferences::setCustomIntervalSeconds(int value)
{
    m_store.setValue(key("customIntervalSeconds"), value);
}

bool Preferences::usesCustomInterval() const
{
    const QJsonValue stored = m_store.value(key("usesCustomInterval"));
    if (stored.isBool())
        return stored.toBool();
    return !kIntervalPresets.contains(intervalSeconds());
}

void Preferences::setUsesCustomInterval(bool value)
{
    setBool("usesCustomInterval", value);
}

ScreenshotFormat Preferences::format() const
{
    const auto raw = stringValue("format");
    return raw ? ScreenshotFormats::fromRawValue(*raw).value_or(ScreenshotFormat::Jpeg) : ScreenshotFormat::Jpeg;
}

void Preferences::setFormat(ScreenshotFormat value)
{
    setString("format", ScreenshotFormats::rawValue(value));
}

double Preferences::jpegQuality() const
{
    const QJsonValue value = m_store.value(key("jpegQuality"));
    return value.isDouble() ? value.toDouble() : 0.6;
}

void Preferences::setJpegQuality(double value)
{
    m_store.setValue(key("jpegQuality"), value);
}
bool Preferences::showsCursor() const
{
    return boolValue("showsCursor");
}
void Preferences::setShowsCursor(bool value)
{
    setBool("showsCursor", value);
}
bool Preferences::capturesHalfSize() const
{
    return boolValue("capturesHalfSize");
}
void Preferences::setCapturesHalfSize(bool value)
{
    setBool("capturesHalfSize", value);
}
bool Preferences::pausesWhenLocked() const
{
    return boolValue("pausesWhenLocked");
}
void Preferences::setPausesWhenLocked(bool value)
{
    setBool("pausesWhenLocked", value);
}
bool Preferences::pauseWhenIdle() const
{
    return boolValue("pauseWhenIdle");
}
void Preferences::setPauseWhenIdle(bool value)
{
    setBool("pauseWhenIdle", value);
}
int Preferences::idleThresholdSeconds() const
{
    return positiveInt("idleThresholdSeconds", 300);
}
void Preferences::setIdleThresholdSeconds(int value)
{
    m_store.setValue(key("idleThresholdSeconds"), value);
}

QStringList Preferences::excludedAppIds() const
{
    const QJsonValue value = m_store.value(key("excludedBundleIDs"));
    QStringList ids;
    if (!value.isArray())
        return ids;
    for (const QJsonValue& item : value.toArray()) {
        if (item.isString())
            ids << item.toString();
    }
    return ids;
}

void Preferences::setExcludedAppIds(const QStringList& value)
{
    m_store.setValue(key("excludedBundleIDs"), QJsonArray::fromStringList(value));
}

bool Preferences::hidesNotifications() const
{
    return boolValue("hidesNotifications");
}
void Preferences::setHidesNotifications(bool value)
{
    setBool("hidesNotifications", value);
}
bool Preferences::hidesDesktopIcons() const
{
    return boolValue("hidesDesktopIcons");
}
void Preferences::setHidesDesktopIcons(bool value)
{
    setBool("hidesDesktopIcons", value);
}

std::optional<ChosenDisplay> Preferences::chosenDisplay() const
{
    const auto identity = stringValue("onlyDisplayIdentity");
    if (!identity)
        return std::nullopt;
    return ChosenDisplay{*identity, stringValue("onlyDisplayName").value_or(QStringLiteral("Display"))};
}

void Preferences::setChosenDisplay(const std::optional<ChosenDisplay>& value)
{
    setString("onlyDisplayIdentity", value ? std::optional<QString>(value->identity) : std::nullopt);
    setString("onlyDisplayName", value ? std::optional<QString>(value->name) : std::nullopt);
}

QMap<QString, int> Preferences::displayOrdinals() const
{
    const QJsonValue value = m_store.value(key("displayOrdinals"));
    QMap<QString, int> ordinals;
    if (!value.isObject())
        return ordinals;
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const auto ordinal = wholeNumber(it.value());
        if (!ordinal || *ordinal > std::numeric_limits<int>::max() || *ordinal < std::numeric_limits<int>::min())
            return {};  // one value that is not an integer spoils the whole dictionary
        ordinals.insert(it.key(), int(*ordinal));
    }
    return ordinals;
}

void Preferences::setDisplayOrdinals(const QMap<QString, int>& value)
{
    QJsonObject object;
    for (auto it = value.begin(); it != value.end(); ++it)
        object.insert(it.key(), it.value());
    m_store.setValue(key("displayOrdinals"), object);
}

// A leading "~" is the home folder. Any other path that is not absolute
// would depend on the working directory, which differs under autostart or a
// user service, so it is refused: the default is used and the store tells.
QString Preferences::folderPath() const
{
    const QString fallback = QDir::homePath() + QStringLiteral("/Pictures/Momentra");
    const std::optional<QString> stored = stringValue("folderPath");
    if (!stored)
        return fallback;
    if (*stored == QLatin1String("~") || stored->startsWith(QLatin1String("~/")))
        return QDir::homePath() + stored->mid(1);
    if (QDir::isAbsolutePath(*stored))
        return *stored;
    m_store.reportProblem(
        QStringLiteral("The screenshots folder \"%1\" is not a full path; using %2").arg(*stored, fallback));
    return fallback;
}

void Preferences::setFolderPath(const QString& value)
{
    setString("folderPath", value);
}

// "Any stored value is read as an integer": numbers are truncated, Booleans
// are 0 or 1, text is parsed (0 when it is no number). Absent gives 5.
qint64 Preferences::freeSpaceLimitGB() const
{
    const QJsonValue value = m_store.value(key("freeSpaceLimitGB"));
    if (value.isUndefined())
        return 5;
    if (value.isDouble()) {
        const double d = value.toDouble();
        return std::isfinite(d) && std::fabs(d) < 9.0e18 ? qint64(d) : 0;
    }
    if (value.isBool())
        return value.toBool() ? 1 : 0;
    if (value.isString())
        return value.toString().trimmed().toLongLong();
    return 0;
}

void Preferences::setFreeSpaceLimitGB(qint64 value)
{
    m_store.setValue(key("freeSpaceLimitGB"), value);
}

// --- cleanup and text search ----------------------------------------------

DeletionPolicy Preferences::deletionPolicy() const
{
    const auto raw = stringValue("deletionPolicy");
    return raw ? DeletionPolicies::fromRawValue(*raw).value_or(DeletionPolicy::Never) : DeletionPolicy::Never;
}

void Preferences::setDeletionPolicy(DeletionPolicy value)
{
    setString("deletionPolicy", DeletionPolicies::rawValue(value));
}

bool Preferences::deletesPermanently() const
{
    return boolValue("deletesPermanently");
}
void Preferences::setDeletesPermanently(bool value)
{
    setBool("deletesPermanently", value);
}
bool Preferences::searchesText() const
{
    return boolValue("searchesText");
}
void Preferences::setSearchesText(bool value)
{
    setBool("searchesText", value);
}

TextRecognitionLevel Preferences::textRecognitionLevel() const
{
    return stringValue("textRecognitionLevel") == QStringLiteral("Fast") ? TextRecognitionLevel::Fast
                                                                         : TextRecognitionLevel::Accurate;
}

void Preferences::setTextRecognitionLevel(TextRecognitionLevel value)
{
    setString("textRecognitionLevel", TextRecognitionLevels::rawValue(value));
}

std::optional<QString> Preferences::textRecognitionLanguage() const
{
    return stringValue("textRecognitionLanguage");
}
void Preferences::setTextRecognitionLanguage(const std::optional<QString>& value)
{
    setString("textRecognitionLanguage", value);
}

bool Preferences::usesTextLanguageCorrection() const
{
    return boolValue("usesTextLanguageCorrection");
}
void Preferences::setUsesTextLanguageCorrection(bool value)
{
    setBool("usesTextLanguageCorrection", value);
}

// --- application state ----------------------------------------------------

int Preferences::timelapseFPS() const
{
    return positiveInt("timelapseFPS", 12);
}
void Preferences::setTimelapseFPS(int value)
{
    m_store.setValue(key("timelapseFPS"), value);
}
bool Preferences::hasCompletedOnboarding() const
{
    return boolValue("hasCompletedOnboarding");
}
void Preferences::setHasCompletedOnboarding(bool value)
{
    setBool("hasCompletedOnboarding", value);
}
bool Preferences::hasSeenOnboardingWelcome() const
{
    return boolValue("hasSeenOnboardingWelcome");
}
void Preferences::setHasSeenOnboardingWelcome(bool value)
{
    setBool("hasSeenOnboardingWelcome", value);
}
bool Preferences::wasCapturing() const
{
    return boolValue("wasCapturing");
}
void Preferences::setWasCapturing(bool value)
{
    setBool("wasCapturing", value);
}
qint64 Preferences::captureDayCount() const
{
    return integerValue("captureDayCount").value_or(0);
}
void Preferences::setCaptureDayCount(qint64 value)
{
    m_store.setValue(key("captureDayCount"), value);
}
std::optional<QString> Preferences::lastCaptureDay() const
{
    return stringValue("lastCaptureDay");
}
void Preferences::setLastCaptureDay(const std::optional<QString>& value)
{
    setString("lastCaptureDay", value);
}
bool Preferences::hasRespondedToFeedbackPrompt() const
{
    return boolValue("hasRespondedToFeedbackPrompt");
}
void Preferences::setHasRespondedToFeedbackPrompt(bool value)
{
    setBool("hasRespondedToFeedbackPrompt", value);
}

void Preferences::recordCaptureDay(const QDateTime& date)
{
    const QString day = LibraryLayout::dayFolderName(date);
    if (lastCaptureDay() == day)
        return;
    setLastCaptureDay(day);
    setCaptureDayCount(captureDayCount() + 1);
}

std::optional<int> Preferences::parseCustomInterval(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    qsizetype i = 0;
    bool negative = false;
    if (trimmed.at(0) == QLatin1Char('+') || trimmed.at(0) == QLatin1Char('-')) {
        negative = trimmed.at(0) == QLatin1Char('-');
        i = 1;
    }
    if (i == trimmed.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < trimmed.size(); ++i) {
        const char16_t c = trimmed.at(i).unicode();
        if (c < '0' || c > '9')
            return std::nullopt;
        if (value > (std::numeric_limits<qint64>::max() - (c - '0')) / 10)
            return std::nullopt;  // overflow
        value = value * 10 + (c - '0');
    }
    if (negative || value <= 0)
        return std::nullopt;
    return int(std::clamp<qint64>(value, 5, 86400));
}

CaptureConfiguration Preferences::captureConfiguration() const
{
    CaptureConfiguration c;
    c.intervalSeconds = intervalSeconds();
    c.format = format();
    c.folder = folderPath();
    c.jpegQuality = jpegQuality();
    c.showsCursor = showsCursor();
    c.capturesHalfSize = capturesHalfSize();
    if (searchesText())
        c.textSearch = TextSearchSettings{textRecognitionLevel(), textRecognitionLanguage(),
                                          usesTextLanguageCorrection()};
    c.onlyDisplay = chosenDisplay();
    c.pausesWhenLocked = pausesWhenLocked();
    c.pauseWhenIdle = pauseWhenIdle();
    c.idleThresholdSeconds = idleThresholdSeconds();
    const QStringList excluded = excludedAppIds();
    c.excludedAppIds = QSet<QString>(excluded.begin(), excluded.end());
    c.hidesNotifications = hidesNotifications();
    c.hidesDesktopIcons = hidesDesktopIcons();
    c.displayOrdinals = displayOrdinals();
    const qint64 limit = freeSpaceLimitGB();
    if (limit > 0)  // decimal gigabytes; an absurd limit saturates instead of overflowing
        c.minimumFreeBytes = limit > std::numeric_limits<qint64>::max() / 1000000000LL
                                 ? std::numeric_limits<qint64>::max()
                                 : limit * 1000000000LL;
    return c;
}

QJsonValue Preferences::value(const QString& key) const
{
    return m_store.value(key);
}
void Preferences::setValue(const QString& key, const QJsonValue& value)
{
    m_store.setValue(key, value);
}
void Preferences::removeValue(const QString& key)
{
    m_store.remove(key);
}

QJsonValue Preferences::effectiveValue(const QString& key) const
{
    using Read = std::function<QJsonValue(const Preferences&)>;
    static const QHash<QString, Read> kReads{
        {Preferences::key("intervalSeconds"), [](const Preferences& p) { return QJsonValue(p.intervalSeconds()); }},
        {Preferences::key("customIntervalSeconds"),
         [](const Preferences& p) { return QJsonValue(p.customIntervalSeconds()); }},
        {Preferences::key("usesCustomInterval"),
         [](const Preferences& p) { return QJsonValue(p.usesCustomInterval()); }},
        {Preferences::key("format"),
         [](const Preferences& p) { return QJsonValue(ScreenshotFormats::rawValue(p.format())); }},
        {Preferences::key("jpegQuality"), [](const Preferences& p) { return QJsonValue(p.jpegQuality()); }},
        {Preferences::key("showsCursor"), [](const Preferences& p) { return QJsonValue(p.showsCursor()); }},
        {Preferences::key("capturesHalfSize"), [](const Preferences& p) { return QJsonValue(p.capturesHalfSize()); }},
        {Preferences::key("pausesWhenLocked"), [](const Preferences& p) { return QJsonValue(p.pausesWhenLocked()); }},
        {Preferences::key("pauseWhenIdle"), [](const Preferences& p) { return QJsonValue(p.pauseWhenIdle()); }},
        {Preferences::key("idleThresholdSeconds"),
         [](const Preferences& p) { return QJsonValue(p.idleThresholdSeconds()); }},
        {Preferences::key("hidesNotifications"),
         [](const Preferences& p) { return QJsonValue(p.hidesNotifications()); }},
        {Preferences::key("hidesDesktopIcons"), [](const Preferences& p) { return QJsonValue(p.hidesDesktopIcons()); }},
        {Preferences::key("freeSpaceLimitGB"), [](const Preferences& p) { return QJsonValue(p.freeSpaceLimitGB()); }},
        {Preferences::key("deletionPolicy"),
         [](const Preferences& p) { return QJsonValue(DeletionPolicies::rawValue(p.deletionPolicy())); }},
        {Preferences::key("deletesPermanently"),
         [](const Preferences& p) { return QJsonValue(p.deletesPermanently()); }},
        {Preferences::key("searchesText"), [](const Preferences& p) { return QJsonValue(p.searchesText()); }},
        {Preferences::key("textRecognitionLevel"),
         [](const Preferences& p) { return QJsonValue(TextRecognitionLevels::rawValue(p.textRecognitionLevel())); }},
        {Preferences::key("textRecognitionLanguage"),
         [](const Preferences& p) {
             const auto language = p.textRecognitionLanguage();
             return language ? QJsonValue(*language) : QJsonValue(QJsonValue::Undefined);
         }},
        {Preferences::key("usesTextLanguageCorrection"),
         [](const Preferences& p) { return QJsonValue(p.usesTextLanguageCorrection()); }},
        {Preferences::key("timelapseFPS"), [](const Preferences& p) { return QJsonValue(p.timelapseFPS()); }},
    };
    const auto read = kReads.constFind(key);
    return read == kReads.constEnd() ? m_store.value(key) : (*read)(*this);
}
