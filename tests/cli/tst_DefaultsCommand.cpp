#include "support/MomentraRun.h"
#include "support/TestHome.h"

#include <QFile>
#include <QJsonDocument>
#include <QTest>

// Drives the real `momentra defaults` command against a temporary settings file.
class TestDefaultsCommand : public QObject
{
    Q_OBJECT

    TestHome m_home;

    static MomentraRun momentra(const QStringList& arguments) { return MomentraRun::of(arguments).trimmed(); }

    QByteArray settingsFile() const
    {
        QFile file(m_home.configHome() + QStringLiteral("/Momentra/defaults.json"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void writeThenReadKeepsTypes_data()
    {
        QTest::addColumn<QStringList>("write");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<int>("jsonType");
        QTest::newRow("int") << QStringList{"Momentra.intervalSeconds", "--int", "45"} << "45" << int(QJsonValue::Double);  // not 45.0
        QTest::newRow("bool") << QStringList{"Momentra.showsCursor", "--bool", "yes"} << "true" << int(QJsonValue::Bool);
        QTest::newRow("plain string") << QStringList{"Momentra.format", "HEIC"} << "HEIC" << int(QJsonValue::String);
        QTest::newRow("array") << QStringList{"Momentra.excludedBundleIDs", "--array", R"(["a.b","c.d"])"}
                               << R"(["a.b","c.d"])" << int(QJsonValue::Array);
        QTest::newRow("dict") << QStringList{"Momentra.displayOrdinals", "--dict", R"({"edid:1-2-3":1})"}
                              << R"({"edid:1-2-3":1})" << int(QJsonValue::Object);
    }
    void writeThenReadKeepsTypes()
    {
        QFETCH(QStringList, write);
        QFETCH(QString, printed);
        QFETCH(int, jsonType);
        QCOMPARE(momentra(QStringList{"defaults", "write"} + write).exitCode, 0);
        const MomentraRun read = momentra({"defaults", "read", write.first()});
        QCOMPARE(read.exitCode, 0);
        QCOMPARE(read.out, printed);
        QCOMPARE(int(QJsonDocument::fromJson(settingsFile())[write.first()].type()), jsonType);
        QVERIFY(!settingsFile().contains("45.0"));
    }

    void badInputLeavesTheFileAlone_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("not an integer") << QStringList{"defaults", "write", "Momentra.intervalSeconds", "--int", "4x"};
        QTest::newRow("bad json") << QStringList{"defaults", "write", "Momentra.excludedBundleIDs", "--array", "[1,"};
        QTest::newRow("unknown type") << QStringList{"defaults", "write", "K", "--date", "now"};
        QTest::newRow("missing value") << QStringList{"defaults", "write", "K", "--int"};
        QTest::newRow("unknown command") << QStringList{"frobnicate"};
    }
    void badInputLeavesTheFileAlone()
    {
        QFETCH(QStringList, arguments);
        QCOMPARE(momentra({"defaults", "write", "Momentra.intervalSeconds", "--int", "30"}).exitCode, 0);
        const QByteArray before = settingsFile();
        const MomentraRun run = momentra(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.startsWith(QStringLiteral("momentra: ")) && !run.err.contains(QLatin1Char('\n')));
        QCOMPARE(settingsFile(), before);
    }

    void deleteAndMissingKeys()
    {
        QCOMPARE(momentra({"defaults", "write", "Momentra.timelapseFPS", "--int", "24"}).exitCode, 0);
        QCOMPARE(momentra({"defaults", "delete", "Momentra.timelapseFPS"}).exitCode, 0);
        QCOMPARE(momentra({"defaults", "read", "Momentra.timelapseFPS"}).exitCode, 1);
        QCOMPARE(momentra({"defaults", "delete", "Momentra.timelapseFPS"}).exitCode, 1);
    }

};

QTEST_GUILESS_MAIN(TestDefaultsCommand)
#include "tst_DefaultsCommand.moc"
