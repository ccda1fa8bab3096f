#pragma once

#include <QDBusArgument>
#include <QDBusContext>
#include <QImage>
#include <QObject>
#include <QVariantMap>

class DesktopSearchResults;
class ScreenshotOpener;

// One match as KRunner reads it: (sssida{sv}).
struct KRunnerMatch
{
    QString id;
    QString text;
    QString iconName;
    int type = 0;
    double relevance = 0;
    QVariantMap properties;
};
using KRunnerMatches = QList<KRunnerMatch>;

// A match's own picture, its "icon-data" property: (iiibiiay), as the image
// data of desktop notifications.
struct KRunnerImage
{
    int width = 0;
    int height = 0;
    int rowStride = 0;
    bool hasAlpha = false;
    int bitsPerSample = 8;
    int channels = 3;
    QByteArray data;

    static KRunnerImage fromImage(const QImage& image);
};

// One action KRunner offers on a match: (sss).
struct KRunnerAction
{
    QString id;
    QString text;
    QString iconName;
};
using KRunnerActions = QList<KRunnerAction>;

QDBusArgument& operator<<(QDBusArgument& argument, const KRunnerMatch& match);
const QDBusArgument& operator>>(const QDBusArgument& argument, KRunnerMatch& match);
QDBusArgument& operator<<(QDBusArgument& argument, const KRunnerImage& image);
const QDBusArgument& operator>>(const QDBusArgument& argument, KRunnerImage& image);
QDBusArgument& operator<<(QDBusArgument& argument, const KRunnerAction& action);
const QDBusArgument& operator>>(const QDBusArgument& argument, KRunnerAction& action);

// KDE Plasma's KRunner runner (org.kde.krunner1): the screenshots matching
// the query, newest first, each with its capture time, snippet and
// thumbnail (when the cache has it, else a theme icon); running
// one opens it, its action "Show in File Manager" shows it there.
class KRunnerRunner : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.krunner1")

public:
    static constexpr const char* kObjectPath = "/app/momentra/Momentra/Runner";
    static constexpr const char* kRevealAction = "reveal";
    static constexpr int kPossibleMatch = 30;  // Plasma::QueryMatch::PossibleMatch

    KRunnerRunner(DesktopSearchResults& results, ScreenshotOpener& opener, QObject* parent = nullptr);

Q_SIGNALS:
    void used();

public Q_SLOTS:
    KRunnerActions Actions();
    KRunnerMatches Match(const QString& query);
    void Run(const QString& matchId, const QString& actionId);
    void Teardown();

private:
    DesktopSearchResults& m_results;
    ScreenshotOpener& m_opener;
};

Q_DECLARE_METATYPE(KRunnerMatch)
Q_DECLARE_METATYPE(KRunnerAction)
Q_DECLARE_METATYPE(KRunnerImage)
