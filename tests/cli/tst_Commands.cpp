#include "core/textsearch/TextMetadata.h"
#include "support/MomentraRun.h"
#include "support/TextSearchFixtures.h"
#include "support/TimelapseVideoProbe.h"
#include "support/core/TestHome.h"

#include <QDir>
#include <QJsonDocument>
#include <QTest>

#include <csignal>

// The real `momentra` commands against a temporary home: one case for each
// command's own behaviour; the rules underneath are tested below them.
class CommandsTest : public QObject
{
    Q_OBJECT

    TestHome m_home;

    static MomentraRun momentra(const QStringList& arguments) { return MomentraRun::of(arguments).trimmed(); }
    QByteArray settingsFile() const
    {
        QFile file(m_home.configHome() + QStringLiteral("/Momentra/defaults.json"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString day() const { return m_home.picturesFolder() + QStringLiteral("/2024-05-01"); }

private Q_SLOTS:
    void init() { QDir(m_home.picturesFolder()).removeRecursively(); }

    // One line on standard error, nothing on standard output, the settings untouched.
    void refusals_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("error");  // the start of it
        const QString usage = QStringLiteral("momentra: ");
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2 << usage;
        QTest::newRow("capture with an argument") << QStringList{"capture", "now"} << 2 << usage;
        QTest::newRow("run with an option") << QStringList{"run", "--fast"} << 2 << usage;
        QTest::newRow("not an integer") << QStringList{"defaults", "write", "Momentra.intervalSeconds", "--int", "4x"} << 2 << usage;
        QTest::newRow("bad json") << QStringList{"defaults", "write", "Momentra.excludedBundleIDs", "--array", "[1,"} << 2 << usage;
        QTest::newRow("unknown type") << QStringList{"defaults", "write", "K", "--date", "now"} << 2 << usage;
        QTest::newRow("missing value") << QStringList{"defaults", "write", "K", "--int"} << 2 << usage;
        QTest::newRow("cleanup age") << QStringList{"cleanup", "--older-than", "forever"} << 2 << usage;
        QTest::newRow("cleanup flag") << QStringList{"cleanup", "--all"} << 2 << usage;
        QTest::newRow("delete-all off a terminal") << QStringList{"delete-all"} << 2 << usage;
        QTest::newRow("export: not a day") << QStringList{"export", "2024-13-01"} << 2 << usage;
        QTest::newRow("export: zero fps") << QStringList{"export", "today", "--fps", "0"} << 2 << usage;
        QTest::newRow("export: nothing today") << QStringList{"export"} << 1 << "momentra: No screenshots from today yet.";
        QTest::newRow("ocr level") << QStringList{"ocr", "--level", "slow"} << 2 << usage;
        QTest::newRow("ocr language") << QStringList{"ocr", "--language", "xx_none"} << 2 << usage;
        QTest::newRow("ocr: not a folder") << QStringList{"ocr", "/nonexistent/folder"} << 2 << usage;
        QTest::newRow("search without words") << QStringList{"search"} << 2 << usage;
    }
    void refusals()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, error);
        QCOMPARE(momentra({"defaults", "write", "Momentra.intervalSeconds", "--int", "30"}).exitCode, 0);
        const QByteArray before = settingsFile();
        const MomentraRun run = momentra(arguments);
        QCOMPARE(run.exitCode, code);
        QVERIFY2(run.err.startsWith(error) && !run.err.contains(QLatin1Char('\n')), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
        QCOMPARE(settingsFile(), before);
    }

    void defaultsKeepTypes_data()
    {
        QTest::addColumn<QStringList>("write");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<int>("jsonType");
        QTest::newRow("int") << QStringList{"Momentra.intervalSeconds", "--int", "45"} << "45" << int(QJsonValue::Double);
        QTest::newRow("bool") << QStringList{"Momentra.showsCursor", "--bool", "yes"} << "true" << int(QJsonValue::Bool);
        QTest::newRow("plain string") << QStringList{"Momentra.format", "HEIC"} << "HEIC" << int(QJsonValue::String);
        QTest::newRow("array") << QStringList{"Momentra.excludedBundleIDs", "--array", R"(["a.b","c.d"])"}
                               << R"(["a.b","c.d"])" << int(QJsonValue::Array);
        QTest::newRow("dict") << QStringList{"Momentra.displayOrdinals", "--dict", R"({"edid:1-2-3":1})"}
                              << R"({"edid:1-2-3":1})" << int(QJsonValue::Object);
    }
    void defaultsKeepTypes()
    {
        QFETCH(QStringList, write);
        QCOMPARE(momentra(QStringList{"defaults", "write"} + write).exitCode, 0);
        QTEST(momentra({"defaults", "read", write.first()}).out, "printed");
        QTEST(int(QJsonDocument::fromJson(settingsFile())[write.first()].type()), "jsonType");
        QVERIFY(!settingsFile().contains("45.0"));
    }

    void defaultsDelete()
    {
        QCOMPARE(momentra({"defaults", "write", "Momentra.timelapseFPS", "--int", "24"}).exitCode, 0);
        QCOMPARE(momentra({"defaults", "delete", "Momentra.timelapseFPS"}).exitCode, 0);
        QCOMPARE(momentra({"defaults", "read", "Momentra.timelapseFPS"}).exitCode, 1);
        QCOMPARE(momentra({"defaults", "delete", "Momentra.timelapseFPS"}).exitCode, 1);
    }

    void exportPrintsTheVideos()
    {
        QVERIFY2(TimelapseVideoProbe::missingTools().isEmpty(), qPrintable(TimelapseVideoProbe::missingTools()));
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QVERIFY(QDir().mkpath(day()));
        for (const char* name : {"10-00-00", "10-00-00_Display2"})
            QVERIFY(image.save(day() + "/Momentra_2024-05-01_" + name + ".jpeg"));
        const MomentraRun result = momentra({"export", "2024-05-02", "2024-05-01", "--fps", "6"});
        QCOMPARE(result.exitCode, 0);
        const QString library = m_home.picturesFolder();
        const QStringList videos{library + "/Momentra_2024-05-01.mp4", library + "/Momentra_2024-05-01_Display2.mp4"};
        QCOMPARE(result.out.split('\n'), videos);
        QCOMPARE(result.err, QStringLiteral("Exported 2 videos. Thursday, May 2, 2024 had no screenshots left."));
        QCOMPARE(TimelapseVideoProbe::probe(videos[0]).frameRate, QStringLiteral("6/1"));
    }

    // Recognised text is found again by any of its words, whatever their case and accents.
    void ocrThenSearch()
    {
        const QString morning = day() + QStringLiteral("/Momentra_2024-05-01_09-00-00.png");
        const QString evening = day() + QStringLiteral("/Momentra_2024-05-01_18-30-00_Display2.png");
        QVERIFY(TextSearchFixtures::writeImage(morning, {QStringLiteral("Quarterly invoice"), QStringLiteral("Garden")}));
        QVERIFY(TextSearchFixtures::writeImage(evening, {QStringLiteral("Invoice for London")}, true));
        const MomentraRun ocr = momentra({"ocr", "--level", "fast"});
        QCOMPARE(ocr.exitCode, 0);
        QCOMPARE(ocr.out, QStringLiteral("Recognized text in 2 screenshots."));  // no progress bar off a terminal
        QCOMPARE(TextMetadata::readMarker(morning), std::optional<QString>(QStringLiteral("fast")));
        QCOMPARE(momentra({"search", "invoice"}).out, evening + "\n    Invoice for London\n" + morning + "\n    Quarterly invoice");
        QCOMPARE(momentra({"search", "invoice", "paris"}).exitCode, 1);

        const QString other = day() + QStringLiteral("/Momentra_2024-05-01_12-00-00.jpeg");
        QVERIFY(TextSearchFixtures::writeNonImage(other));
        QVERIFY(TextMetadata::write(QStringLiteral("Notes\nRésumé draft for the CAFÉ"), other, TextRecognitionLevel::Accurate).ok());
        QCOMPARE(momentra({"search", "resume", "cafe"}).out, other + QStringLiteral("\n    Résumé draft for the CAFÉ"));
    }

    void ocrInterruptStopsAfterTheCurrentFile()
    {
        const QString folder = m_home.path() + QStringLiteral("/Many");
        QStringList lines;  // a page that takes a moment to read
        for (int line = 0; line < 30; ++line)
            lines.append(QStringLiteral("walnut pepper harbor %1 ticket garden journey monitor schedule").arg(line));
        QStringList images;
        QVERIFY(QDir().mkpath(folder));
        for (int i = 0; i < 12; ++i) {
            images.append(folder + QStringLiteral("/%1.png").arg(i, 2, 10, QLatin1Char('0')));
            QVERIFY(TextSearchFixtures::renderText(lines, i % 2, QSize(900, 900), 16).save(images.last()));
        }
        QProcess process;
        process.start(QStringLiteral(MOMENTRA_EXECUTABLE), {QStringLiteral("ocr"), folder});
        QVERIFY(QTest::qWaitFor([&] { return TextMetadata::readMarker(images[0]).has_value(); }, 400000));
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(400000));
        QCOMPARE(process.exitCode(), 1);
        int read = 0;
        for (const QString& image : images)
            read += TextMetadata::readMarker(image).has_value();
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(read < images.size() && out.startsWith(QStringLiteral("Stopped after %1 image").arg(read)), qPrintable(out));
    }
};

QTEST_MAIN(CommandsTest)
#include "tst_Commands.moc"
