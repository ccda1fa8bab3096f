#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"
#include "support/core/TestHome.h"

#include <QtTest>

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
        DefaultsStore store(m_path, m_home.log());
        Preferences p(store);
        QCOMPARE(p.captureConfiguration().folder, m_home.path() + "/Pictures/Momentra");
        QVERIFY(!QFile::exists(m_path));  // reading never writes defaults back
    }

    // Stored JSON → what the getters read: interval, custom?, format, free-space GB, idle seconds, deletion policy.
    void readRules_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected");
        QTest::newRow("45 s is custom") << QByteArray(R"({"Momentra.intervalSeconds":45})")
                                        << "45 custom JPEG 5 300 Never";
        QTest::newRow("300 s is a preset")
            << QByteArray(R"({"Momentra.intervalSeconds":300})") << "300 preset JPEG 5 300 Never";
        QTest::newRow("non-positive falls back")
            << QByteArray(R"({"Momentra.intervalSeconds":-4,"Momentra.idleThresholdSeconds":0})")
            << "60 preset JPEG 5 300 Never";
        QTest::newRow("wrong types fall back") << QByteArray(
            R"({"Momentra.intervalSeconds":"45","Momentra.idleThresholdSeconds":true,"Momentra.format":7})")
                                               << "60 preset JPEG 5 300 Never";
        QTest::newRow("fractional integer falls back")
            << QByteArray(R"({"Momentra.intervalSeconds":45.5})") << "60 preset JPEG 5 300 Never";
        QTest::newRow("format exact text only")
            << QByteArray(R"({"Momentra.format":"png","Momentra.deletionPolicy":"1 week"})")
            << "60 preset JPEG 5 300 Never";
        QTest::newRow("known texts") << QByteArray(R"({"Momentra.format":"HEIC","Momentra.deletionPolicy":"2 Weeks"})")
                                     << "60 preset HEIC 5 300 2 Weeks";
        QTest::newRow("free space 0 is off")
            << QByteArray(R"({"Momentra.freeSpaceLimitGB":0})") << "60 preset JPEG 0 300 Never";
        QTest::newRow("free space as text")
            << QByteArray(R"({"Momentra.freeSpaceLimitGB":"12"})") << "60 preset JPEG 12 300 Never";
    }
    void readRules()
    {
        QFETCH(QByteArray, json);
        writeRaw(json);
        DefaultsStore store(m_path, m_home.log());
        Preferences p(store);
        QTEST(QString("%1 %2 %3 %4 %5 %6")
                  .arg(p.intervalSeconds())
                  .arg(QString(p.usesCustomInterval() ? "custom" : "preset"), ScreenshotFormats::rawValue(p.format()))
                  .arg(p.freeSpaceLimitGB())
                  .arg(p.idleThresholdSeconds())
                  .arg(DeletionPolicies::rawValue(p.deletionPolicy())),
              "expected");
        QCOMPARE(p.captureConfiguration().minimumFreeBytes.has_value(), p.freeSpaceLimitGB() > 0);
    }

    // "~" is the home folder; another relative path is refused and told.
    void folderPathRule_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected");  // under the home folder; the default means refused
        QTest::newRow("under ~") << "~/Shots"
                                 << "/Shots";
        QTest::newRow("relative") << "relative/lib"
                                  << "/Pictures/Momentra";
        QTest::newRow("empty") << ""
                               << "/Pictures/Momentra";
    }
    void folderPathRule()
    {
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        writeRaw(QJsonDocument(QJsonObject{{"Momentra.folderPath", stored}}).toJson());
        DefaultsStore store(m_path, m_home.log());
        QCOMPARE(Preferences(store).captureConfiguration().folder, m_home.path() + expected);
        QCOMPARE(store.problems().size(), expected.startsWith("/Pictures") ? 1 : 0);
    }

    void chosenDisplayAndOrdinals()
    {
        writeRaw(R"({"Momentra.onlyDisplayIdentity":"edid:1-2-3",
                     "Momentra.displayOrdinals":{"a":1,"b":"2","c":3}})");
        DefaultsStore store(m_path, m_home.log());
        Preferences p(store);
        QCOMPARE(p.chosenDisplay(), std::optional(ChosenDisplay{"edid:1-2-3", "Display"}));
        QVERIFY(p.displayOrdinals().isEmpty());  // one string value spoils the dictionary

        p.setDisplayOrdinals({{"a", 1}, {"b", 2}});
        QCOMPARE(p.displayOrdinals(), (QMap<QString, int>{{"a", 1}, {"b", 2}}));
        p.setChosenDisplay(std::nullopt);
        QVERIFY(!readRaw().contains("Momentra.onlyDisplayIdentity") && !readRaw().contains("Momentra.onlyDisplayName"));
    }

    void parseCustomInterval_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");  // 0 = nothing
        QTest::newRow("clamped up") << " 3 " << 5;
        QTest::newRow("clamped down") << "90000" << 86400;
        QTest::newRow("negative") << "-5" << 0;
        QTest::newRow("letters") << "1a" << 0;
        QTest::newRow("overflow") << "99999999999999999999999" << 0;
        QTest::newRow("non-ASCII digits") << QString::fromUtf8("٣٠") << 0;
    }
    void parseCustomInterval()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(Preferences::parseCustomInterval(text).value_or(0), expected);
    }

    // Setters reach the configuration; stored JSON keeps its types.
    void captureConfigurationAndStoredTypes()
    {
        DefaultsStore store(m_path, m_home.log());
        Preferences p(store);
        p.setIntervalSeconds(45), p.setShowsCursor(true), p.setExcludedAppIds({"org.gnome.Terminal"});
        p.setFreeSpaceLimitGB(12), p.setSearchesText(true), p.setTextRecognitionLanguage("deu");
        p.setTextRecognitionLevel(TextRecognitionLevel::Fast), p.setUsesTextLanguageCorrection(true);
        QCOMPARE(p.captureConfiguration().minimumFreeBytes, std::optional<qint64>(12000000000LL));
        QVERIFY(p.captureConfiguration().textSearch == TextSearchSettings({TextRecognitionLevel::Fast, "deu", true}));
        p.setSearchesText(false);
        QVERIFY(!p.captureConfiguration().textSearch);
        const QJsonObject raw = readRaw();
        QVERIFY(raw.value("Momentra.intervalSeconds").isDouble());
        QVERIFY(raw.value("Momentra.showsCursor").isBool());
        QVERIFY(raw.value("Momentra.excludedBundleIDs").isArray());
    }

    void captureDaysCountedOncePerDay()
    {
        DefaultsStore store(m_path, m_home.log());
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
        DefaultsStore store(m_path, m_home.log());
        Preferences p(store);
        QSignalSpy spy(&p, &Preferences::changed);
        p.setIntervalSeconds(300);
        p.setIntervalSeconds(300);
        p.setShowsCursor(false);  // absent → false is still a write of a new key
        p.setShowsCursor(false);
        p.setTextRecognitionLanguage(std::nullopt);  // removing an absent key changes nothing
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toString(), "Momentra.showsCursor");
    }

    void anotherProcessesChangeIsSeen()
    {
        DefaultsStore store(m_path, m_home.log());
        Preferences p(store);
        p.setIntervalSeconds(300);
        QSignalSpy spy(&p, &Preferences::changed);
        DefaultsStore other(m_path, m_home.log());  // stands for the command line writing the same file
        other.setValue("Momentra.intervalSeconds", 600);
        QTRY_COMPARE(spy.count(), 1);  // from the file watcher, without a read
        QCOMPARE(spy.at(0).at(0).toString(), "Momentra.intervalSeconds");
        QCOMPARE(p.intervalSeconds(), 600);
        QCOMPARE(int(QFile::permissions(m_path) & 0x7077), 0x6000);  // 0600
    }

    void corruptFileIsMovedAsideNotOverwritten()
    {
        writeRaw("{\"Momentra.intervalSeconds\": 45,");
        DefaultsStore store(m_path, m_home.log());
        Preferences p(store);
        QCOMPARE(p.intervalSeconds(), 60);
        const QDir folder = QFileInfo(m_path).absoluteDir();
        const QStringList aside = folder.entryList({"defaults.json.corrupt-*"}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QFile saved(folder.filePath(aside.first()));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), "{\"Momentra.intervalSeconds\": 45,");
        p.setIntervalSeconds(120);
        QCOMPARE(readRaw().value("Momentra.intervalSeconds").toInt(), 120);
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "tst_Preferences.moc"
