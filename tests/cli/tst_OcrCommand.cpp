#include "core/textsearch/TextMetadata.h"
#include "support/MomentraRun.h"
#include "support/TestHome.h"
#include "support/TextSearchFixtures.h"

#include <QDir>
#include <QProcess>
#include <QTest>

#include <csignal>

class TestOcrCommand : public QObject
{
    Q_OBJECT

    TestHome m_home;

private Q_SLOTS:
    void readsScreenshotsThenFindsThemByWord()
    {
        const QString day = m_home.picturesFolder() + QStringLiteral("/2024-05-01");
        QVERIFY(QDir().mkpath(day));
        const QString morning = day + QStringLiteral("/Momentra_2024-05-01_09-00-00.png");
        const QString evening = day + QStringLiteral("/Momentra_2024-05-01_18-30-00_Display2.png");
        QVERIFY(TextSearchFixtures::writeImage(morning, {QStringLiteral("Quarterly invoice"), QStringLiteral("Garden")}));
        QVERIFY(TextSearchFixtures::writeImage(evening, {QStringLiteral("Invoice for London")}, true));
        const MomentraRun ocr = MomentraRun::of({QStringLiteral("ocr"), QStringLiteral("--level"), QStringLiteral("fast")});
        QCOMPARE(ocr.exitCode, 0);
        QCOMPARE(ocr.out, QStringLiteral("Recognized text in 2 screenshots.\n"));  // no progress bar off a terminal
        QCOMPARE(TextMetadata::readMarker(morning), std::optional<QString>(QStringLiteral("fast")));

        const MomentraRun search = MomentraRun::of({QStringLiteral("search"), QStringLiteral("invoice")});
        QCOMPARE(search.exitCode, 0);
        QCOMPARE(search.out, evening + QStringLiteral("\n    Invoice for London\n") + morning + QStringLiteral("\n    Quarterly invoice\n"));
        QCOMPARE(MomentraRun::of({QStringLiteral("search"), QStringLiteral("invoice"), QStringLiteral("paris")}).exitCode, 1);
    }

    void searchIgnoresCaseAndAccents()
    {
        const QString other = m_home.picturesFolder() + QStringLiteral("/2024-05-01/Momentra_2024-05-01_12-00-00.jpeg");
        TextSearchFixtures::writeNonImage(other);
        QVERIFY(TextMetadata::write(QStringLiteral("Notes\nRésumé draft for the CAFÉ"), other, TextRecognitionLevel::Accurate).ok());
        const MomentraRun found = MomentraRun::of({QStringLiteral("search"), QStringLiteral("resume"), QStringLiteral("cafe")});
        QCOMPARE(found.exitCode, 0);
        QCOMPARE(found.out, other + QStringLiteral("\n    Résumé draft for the CAFÉ\n"));
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown level") << QStringList{"ocr", "--level", "slow"};
        QTest::newRow("language not installed") << QStringList{"ocr", "--language", "xx_none"};
        QTest::newRow("not a folder") << QStringList{"ocr", "/nonexistent/folder"};
        QTest::newRow("search without words") << QStringList{"search"};
    }
    void badInput()
    {
        QFETCH(QStringList, arguments);
        const MomentraRun outcome = MomentraRun::of(arguments);
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY(outcome.err.startsWith(QLatin1String("momentra: ")));
    }

    void interruptStopsAfterTheCurrentFile()
    {
        const QString folder = m_home.path() + QStringLiteral("/Many");
        QVERIFY(QDir().mkpath(folder));
        QStringList lines;  // a page that takes a moment to read
        for (int line = 0; line < 30; ++line)
            lines.append(QStringLiteral("walnut pepper harbor %1 ticket garden journey monitor schedule").arg(line));
        QStringList images;
        for (int i = 0; i < 12; ++i) {
            images.append(folder + QStringLiteral("/%1.png").arg(i, 2, 10, QLatin1Char('0')));
            QVERIFY(TextSearchFixtures::renderText(lines, i % 2, QSize(900, 900), 16).save(images.last()));
        }
        QProcess process;
        process.start(QStringLiteral(MOMENTRA_EXECUTABLE), {QStringLiteral("ocr"), folder});
        QVERIFY(process.waitForStarted());
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

QTEST_MAIN(TestOcrCommand)
#include "tst_OcrCommand.moc"
