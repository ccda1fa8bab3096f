#include "core/settings/DefaultsStore.h"
#include "core/settings/LoginItems.h"
#include "core/settings/Preferences.h"
#include "support/TestHome.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

namespace {

struct FixedLoginItems : LoginItems
{
    Status value = Status::NotRegistered;
    Status status() const override { return value; }
    QString registerItem() override { return {}; }
    QString unregisterItem() override { return {}; }
};

}  // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

    TestHome m_home;
    QString m_path;

    void writeRaw(const QByteArray& json)
    {
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(json);
    }

    QJsonObject readRaw()
    {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

private Q_SLOTS:
    void init()
    {
        m_path = DefaultsStore::standardPath();
        QDir(QFileInfo(m_path).absolutePath()).removeRecursively();
    }

    void freshUser()
    {
        DefaultsStore store(m_path);
        Preferences p(store);
        QCOMPARE(p.folderPath(), m_home.path() + QStringLiteral("/Pictures/Momentra"));
        const CaptureConfiguration c = p.captureConfiguration();
        QCOMPARE(c.minimumFreeBytes, std::optional<qint64>(5000000000LL));
        QCOMPARE(c.folder, p.folderPath());
        QVERIFY(!c.textSearch && !c.onlyDisplay);
        QVERIFY(!QFile::exists(m_path));  // reading never writes defaults back
    }

    // Stored JSON → what the getters read.
    void readRules_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("custom");
        QTest::addColumn<QString>("format");
        QTest::addColumn<qint64>("freeSpaceGB");
        QTest::addColumn<int>("idle");
        QTest::addColumn<QString>("policy");
        QTest::newRow("45 s is custom") << QByteArray(R"({"Momentra.intervalSeconds":45})") << 45 << true
                                        << "JPEG" << qint64(5) << 300 << "Never";
        QTest::newRow("300 s is a preset") << QByteArray(R"({"Momentra.intervalSeconds":300})") << 300 << false
                                           << "JPEG" << qint64(5) << 300 << "Never";
        QTest::newRow("stored flag wins") << QByteArray(R"({"Momentra.intervalSeconds":45,"Momentra.usesCustomInterval":false})")
                                          << 45 << false << "JPEG" << qint64(5) << 300 << "Never";
        QTest::newRow("non-positive falls back") << QByteArray(R"({"Momentra.intervalSeconds":-4,"Momentra.idleThresholdSeconds":0})")
                                                 << 60 << false << "JPEG" << qint64(5) << 300 << "Never";
        QTest::newRow("wrong types fall back")
            << QByteArray(R"({"Momentra.intervalSeconds":"45","Momentra.idleThresholdSeconds":true,"Momentra.format":7})")
            << 60 << false << "JPEG" << qint64(5) << 300 << "Never";
        QTest::newRow("fractional integer falls back") << QByteArray(R"({"Momentra.intervalSeconds":45.5})") << 60
                                                       << false << "JPEG" << qint64(5) << 300 << "Never";
        QTest::newRow("format exact text only")
            << QByteArray(R"({"Momentra.format":"png","Momentra.deletionPolicy":"1 week"})") << 60 << false
            << "JPEG" << qint64(5) << 300 << "Never";
        QTest::newRow("known texts") << QByteArray(R"({"Momentra.format":"HEIC","Momentra.deletionPolicy":"2 Weeks"})")
                                     << 60 << false << "HEIC" << qint64(5) << 300 << "2 Weeks";
        QTest::newRow("free space 0 is off, not absent") << QByteArray(R"({"Momentra.freeSpaceLimitGB":0})") << 60
                                                         << false << "JPEG" << qint64(0) << 300 << "Never";
        QTest::newRow("free space read as an integer") << QByteArray(R"({"Momentra.freeSpaceLimitGB":"12"})")
                                                       << 60 << false << "JPEG" << qint64(12) << 300 << "Never";
        QTest::newRow("free space real truncated") << QByteArray(R"({"Momentra.freeSpaceLimitGB":2.9})") << 60
                                                   << false << "JPEG" << qint64(2) << 300 << "Never";
    }
    void readRules()
    {
        QFETCH(QByteArray, json);
        writeRaw(json);
        DefaultsStore store(m_path);
        Preferences p(store);
        QTEST(p.intervalSeconds(), "interval");
        QTEST(p.usesCustomInterval(), "custom");
        QTEST(ScreenshotFormats::rawValue(p.format()), "format");
        QTEST(p.freeSpaceLimitGB(), "freeSpaceGB");
        QTEST(p.idleThresholdSeconds(), "idle");
        QTEST(DeletionPolicies::rawValue(p.deletionPolicy()), "policy");
        QFETCH(qint64, freeSpaceGB);
        QCOMPARE(p.captureConfiguration().minimumFreeBytes.has_value(), freeSpaceGB > 0);
    }

    void chosenDisplayAndOrdinals()
    {
        writeRaw(R"({"Momentra.onlyDisplayIdentity":"edid:1-2-3",
                     "Momentra.displayOrdinals":{"a":1,"b":"2","c":3}})");
        DefaultsStore store(m_path);
        Preferences p(store);
        QCOMPARE(p.chosenDisplay(), std::optional(ChosenDisplay{"edid:1-2-3", "Display"}));
        QVERIFY(p.displayOrdinals().isEmpty());  // one string value spoils the dictionary

        p.setDisplayOrdinals({{"a", 1}, {"b", 2}});
        QCOMPARE(p.displayOrdinals(), (QMap<QString, int>{{"a", 1}, {"b", 2}}));
        p.setChosenDisplay(std::nullopt);
        QVERIFY(!readRaw().contains("Momentra.onlyDisplayIdentity"));
        QVERIFY(!readRaw().contains("Momentra.onlyDisplayName"));
        p.setChosenDisplay(ChosenDisplay{"edid:9-9-9", "DELL U2720Q"});
        QCOMPARE(readRaw().value("Momentra.onlyDisplayName").toString(), QStringLiteral("DELL U2720Q"));
    }

    void parseCustomInterval_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");  // 0 = nothing
        QTest::newRow("clamped up") << " 3 " << 5;
        QTest::newRow("clamped down") << "90000" << 86400;
        QTest::newRow("plus sign") << "+30" << 30;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("negative") << "-5" << 0;
        QTest::newRow("letters") << "1a" << 0;
        QTest::newRow("empty") << "   " << 0;
        QTest::newRow("sign only") << "+" << 0;
        QTest::newRow("overflow") << "99999999999999999999999" << 0;
        QTest::newRow("non-ASCII digits") << QString::fromUtf8("٣٠") << 0;
    }
    void parseCustomInterval()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(Preferences::parseCustomInterval(text).value_or(0), expected);
    }

    void captureConfigurationFieldByField()
    {
        DefaultsStore store(m_path);
        Preferences p(store);
        p.setIntervalSeconds(45);
        p.setFormat(ScreenshotFormat::Png);
        p.setFolderPath(QStringLiteral("/data/shots"));
        p.setJpegQuality(0.8);
        p.setShowsCursor(true);
        p.setCapturesHalfSize(true);
        p.setSearchesText(true);
        p.setTextRecognitionLevel(TextRecognitionLevel::Fast);
        p.setTextRecognitionLanguage(QStringLiteral("deu"));
        p.setUsesTextLanguageCorrection(true);
        p.setChosenDisplay(ChosenDisplay{"edid:1-2-3", "Left"});
        p.setPausesWhenLocked(true);
        p.setPauseWhenIdle(true);
        p.setIdleThresholdSeconds(120);
        p.setExcludedBundleIDs({"org.keepassxc.KeePassXC", "org.gnome.Terminal"});
        p.setHidesNotifications(true);
        p.setHidesDesktopIcons(true);
        p.setDisplayOrdinals({{"edid:1-2-3", 2}});
        p.setFreeSpaceLimitGB(12);

        CaptureConfiguration e;
        e.intervalSeconds = 45;
        e.format = ScreenshotFormat::Png;
        e.folder = QStringLiteral("/data/shots");
        e.jpegQuality = 0.8;
        e.showsCursor = e.capturesHalfSize = true;
        e.textSearch = TextSearchSettings{TextRecognitionLevel::Fast, QStringLiteral("deu"), true};
        e.onlyDisplay = ChosenDisplay{"edid:1-2-3", "Left"};
        e.pausesWhenLocked = e.pauseWhenIdle = true;
        e.idleThresholdSeconds = 120;
        e.excludedBundleIDs = {"org.keepassxc.KeePassXC", "org.gnome.Terminal"};
        e.hidesNotifications = e.hidesDesktopIcons = true;
        e.displayOrdinals = {{"edid:1-2-3", 2}};
        e.minimumFreeBytes = 12000000000LL;
        QVERIFY(p.captureConfiguration() == e);

        p.setSearchesText(false);
        QVERIFY(!p.captureConfiguration().textSearch);
        // Stored JSON keeps its types.
        const QJsonObject raw = readRaw();
        QVERIFY(raw.value("Momentra.intervalSeconds").isDouble());
        QVERIFY(raw.value("Momentra.showsCursor").isBool());
        QVERIFY(raw.value("Momentra.excludedBundleIDs").isArray());
    }

    void captureDaysCountedOncePerDay()
    {
        DefaultsStore store(m_path);
        Preferences p(store);
        const QDateTime morning(QDate(2024, 5, 1), QTime(9, 0));
        p.recordCaptureDay(morning);
        p.recordCaptureDay(morning.addSecs(3600));
        QCOMPARE(p.captureDayCount(), 1);
        QCOMPARE(p.lastCaptureDay(), std::optional<QString>("2024-05-01"));
        p.recordCaptureDay(morning.addDays(1));
        QCOMPARE(p.captureDayCount(), 2);
    }

    void changesSignalOncePerRealChange()
    {
        DefaultsStore store(m_path);
        Preferences p(store);
        QSignalSpy spy(&p, &Preferences::changed);
        p.setIntervalSeconds(300);
        p.setIntervalSeconds(300);
        p.setShowsCursor(false);  // absent → false is still a write of a new key
        p.setShowsCursor(false);
        p.setTextRecognitionLanguage(std::nullopt);  // removing an absent key changes nothing
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("Momentra.intervalSeconds"));
        QCOMPARE(spy.at(1).at(0).toString(), QStringLiteral("Momentra.showsCursor"));
    }

    void anotherProcessesChangeIsSeen()
    {
        DefaultsStore store(m_path);
        Preferences p(store);
        p.setIntervalSeconds(300);
        QSignalSpy spy(&p, &Preferences::changed);
        DefaultsStore other(m_path);  // stands for the command line writing the same file
        QTest::qWait(20);             // a new mtime even on coarse-timestamp file systems
        other.setValue(QStringLiteral("Momentra.intervalSeconds"), 600);
        QTRY_COMPARE(spy.count(), 1);  // from the file watcher, without a read
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("Momentra.intervalSeconds"));
        QCOMPARE(p.intervalSeconds(), 600);
        const QFileDevice::Permissions mode = QFile::permissions(m_path);
        QVERIFY(mode.testFlag(QFileDevice::ReadOwner));
        QVERIFY(!mode.testAnyFlags(QFileDevice::ReadGroup | QFileDevice::ReadOther));
    }

    void corruptFileIsMovedAsideNotOverwritten()
    {
        writeRaw("{\"Momentra.intervalSeconds\": 45,");
        DefaultsStore store(m_path);
        Preferences p(store);
        QCOMPARE(p.intervalSeconds(), 60);
        const QStringList aside = QDir(QFileInfo(m_path).absolutePath())
                                      .entryList({QStringLiteral("defaults.json.corrupt-*")}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QFile saved(QFileInfo(m_path).absolutePath() + QLatin1Char('/') + aside.first());
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("{\"Momentra.intervalSeconds\": 45,"));
        p.setIntervalSeconds(120);
        QCOMPARE(readRaw().value("Momentra.intervalSeconds").toInt(), 120);
    }

    void launchAtLoginFollowsTheService()
    {
        DefaultsStore store(m_path);
        Preferences p(store);
        FixedLoginItems items;
        p.setLoginItems(&items);
        QVERIFY(!p.launchAtLogin());
        items.value = LoginItems::Status::Enabled;
        QVERIFY(p.launchAtLogin());
        items.value = LoginItems::Status::RequiresApproval;
        QVERIFY(!p.launchAtLogin());
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "tst_Preferences.moc"
