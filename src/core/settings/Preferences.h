#pragma once

#include "core/capture/CaptureConfiguration.h"
#include "core/capture/ChosenDisplay.h"
#include "core/cleanup/DeletionPolicy.h"
#include "core/library/ScreenshotFormat.h"
#include "core/textsearch/TextRecognitionLevel.h"

#include <QDateTime>
#include <QJsonValue>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class DefaultsStore;

// Every persisted user setting, typed, with its default and read rule. The
// store caches nothing: each getter reads the defaults database, so a value
// written anywhere (even by another process) is seen by the next read.
// A key that is absent or holds the wrong JSON type reads as its default;
// nothing writes a default back by itself. changed(key) is emitted once per
// real change; writing an equal value signals nobody.
class Preferences : public QObject
{
    Q_OBJECT

public:
    static const QList<int> kIntervalPresets;  // 60, 300, 600, 1800 seconds

    explicit Preferences(DefaultsStore& store, QObject* parent = nullptr);

    static QString key(const char* suffix);  // "Momentra." + suffix

    int intervalSeconds() const;
    void setIntervalSeconds(int value);
    int customIntervalSeconds() const;
    void setCustomIntervalSeconds(int value);
    bool usesCustomInterval() const;
    void setUsesCustomInterval(bool value);
    ScreenshotFormat format() const;
    void setFormat(ScreenshotFormat value);
    double jpegQuality() const;
    void setJpegQuality(double value);
    bool showsCursor() const;
    void setShowsCursor(bool value);
    bool capturesHalfSize() const;
    void setCapturesHalfSize(bool value);
    bool pausesWhenLocked() const;
    void setPausesWhenLocked(bool value);
    bool pauseWhenIdle() const;
    void setPauseWhenIdle(bool value);
    int idleThresholdSeconds() const;
    void setIdleThresholdSeconds(int value);
    QStringList excludedAppIds() const;  // stored under the file's key "excludedBundleIDs"
    void setExcludedAppIds(const QStringList& value);
    bool hidesNotifications() const;
    void setHidesNotifications(bool value);
    bool hidesDesktopIcons() const;
    void setHidesDesktopIcons(bool value);
    std::optional<ChosenDisplay> chosenDisplay() const;
    void setChosenDisplay(const std::optional<ChosenDisplay>& value);
    QMap<QString, int> displayOrdinals() const;
    void setDisplayOrdinals(const QMap<QString, int>& value);
    // "~/…" is under the home folder; any other relative path is refused:
    // the default, and the problem reported through the store.
    QString folderPath() const;
    void setFolderPath(const QString& value);
    qint64 freeSpaceLimitGB() const;
    void setFreeSpaceLimitGB(qint64 value);
    DeletionPolicy deletionPolicy() const;
    void setDeletionPolicy(DeletionPolicy value);
    bool deletesPermanently() const;
    void setDeletesPermanently(bool value);
    bool searchesText() const;
    void setSearchesText(bool value);
    TextRecognitionLevel textRecognitionLevel() const;
    void setTextRecognitionLevel(TextRecognitionLevel value);
    std::optional<QString> textRecognitionLanguage() const;
    void setTextRecognitionLanguage(const std::optional<QString>& value);
    bool usesTextLanguageCorrection() const;
    void setUsesTextLanguageCorrection(bool value);
    int timelapseFPS() const;
    void setTimelapseFPS(int value);
    bool hasCompletedOnboarding() const;
    void setHasCompletedOnboarding(bool value);
    bool hasSeenOnboardingWelcome() const;
    void setHasSeenOnboardingWelcome(bool value);
    bool wasCapturing() const;
    void setWasCapturing(bool value);
    qint64 captureDayCount() const;
    void setCaptureDayCount(qint64 value);
    std::optional<QString> lastCaptureDay() const;
    void setLastCaptureDay(const std::optional<QString>& value);
    bool hasRespondedToFeedbackPrompt() const;
    void setHasRespondedToFeedbackPrompt(bool value);

    // Counts a calendar day with at least one saved screenshot, once per day.
    void recordCaptureDay(const QDateTime& date);
    static std::optional<int> parseCustomInterval(const QString& text);
    CaptureConfiguration captureConfiguration() const;

    // Raw access for the keys other parts keep in the same database
    // (KeyboardShortcuts_*, the updater's switches).
    QJsonValue value(const QString& key) const;
    void setValue(const QString& key, const QJsonValue& value);
    void removeValue(const QString& key);
    // What the typed getter of a key reads, as JSON (its default when the
    // key is absent or unusable; nothing for an absent optional); the stored
    // value for keys without a typed getter. Controls bound to a key show this.
    QJsonValue effectiveValue(const QString& key) const;

    DefaultsStore& store() const { return m_store; }

Q_SIGNALS:
    void changed(const QString& key);

private:
    bool boolValue(const char* suffix) const;
    void setBool(const char* suffix, bool value);
    std::optional<qint64> integerValue(const char* suffix) const;
    int positiveInt(const char* suffix, int fallback) const;
    std::optional<QString> stringValue(const char* suffix) const;
    void setString(const char* suffix, const std::optional<QString>& value);

    DefaultsStore& m_store;
};
