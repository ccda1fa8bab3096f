#include "support/TextSearchFixtures.h"

#include "media/TesseractRecognizer.h"
#include "media/TextImagePreparation.h"

#include <QDir>
#include <QTest>

#include <atomic>
#include <ctime>
#include <thread>

namespace {

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

int threadCount()
{
    return int(QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

}  // namespace

class TestTesseractRecognizer : public QObject
{
    Q_OBJECT

    TesseractRecognizer m_recognizer;

private Q_SLOTS:
    void initTestCase()
    {
        const QStringList languages = m_recognizer.supportedLanguages(TextRecognitionLevel::Fast);
        QVERIFY2(languages.contains("eng"), "English text recognition data is missing: install the Debian package tesseract-ocr-eng");
        QVERIFY(!languages.contains("osd"));  // orientation data, not a language
    }

    void readsRenderedText_data()
    {
        QTest::addColumn<bool>("fast");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("correction");
        QTest::addColumn<QString>("language");  // empty: automatic
        QTest::newRow("accurate light") << false << false << false << QString();
        QTest::newRow("fast dark") << true << true << false << QString();
        QTest::newRow("accurate with dictionaries") << false << false << true << QString();
        QTest::newRow("unknown language falls back to automatic") << true << false << false << "xx_notinstalled";
    }

    void readsRenderedText()
    {
        QFETCH(bool, fast);
        QFETCH(bool, dark);
        QFETCH(bool, correction);
        QFETCH(QString, language);
        const QImage image = TextSearchFixtures::renderText(
            {"Quarterly invoice summary", "Meeting with the London team"}, dark);
        const TextSearchSettings settings{fast ? TextRecognitionLevel::Fast : TextRecognitionLevel::Accurate,
                                          language.isEmpty() ? std::nullopt : std::optional(language), correction};
        const TextReadResult result =
            m_recognizer.recognizeWithin(TextSearchFixtures::toBitmap(image), settings, 60);
        QVERIFY2(result.ok(), qPrintable(result.message()));
        for (const char* word : {"Quarterly", "invoice", "summary", "Meeting", "London", "team"})
            QVERIFY2(result.text().contains(QLatin1String(word)), qPrintable(result.text()));
        QCOMPARE(result.text().count(QLatin1Char('\n')), 1);  // one line per line of text
    }

    void automaticLanguages_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QStringList>("ui");
        QTest::addColumn<QStringList>("chosen");
        const QStringList installed{"chi_sim", "deu", "eng",
                                    "fra"};
        QTest::newRow("german desktop") << installed << QStringList{"de-DE", "de"} << QStringList{"deu", "eng"};
        QTest::newRow("chinese, then french") << installed << QStringList{"zh-Hans-CN", "fr-FR"}
                                              << QStringList{"chi_sim", "fra", "eng"};
        QTest::newRow("not installed") << installed << QStringList{"ja-JP"} << QStringList{"eng"};
        QTest::newRow("no english data") << QStringList{"deu"} << QStringList{"en-US"} << QStringList{};
    }

    void automaticLanguages()
    {
        QFETCH(QStringList, installed);
        QFETCH(QStringList, ui);
        QTEST(TesseractRecognizer::automaticLanguages(installed, ui), "chosen");
    }

    void darkPanelsAreInverted()
    {
        // A light page with a dark side panel: only the panel's tiles turn over.
        QImage image = TextSearchFixtures::renderText({"light page"}, false, QSize(640, 320));
        const QImage panel = TextSearchFixtures::renderText({"dark panel"}, true, QSize(320, 320));
        for (int y = 0; y < 320; ++y)
            for (int x = 0; x < 320; ++x)
                image.setPixel(x, y, panel.pixel(x, y));
        const auto gray = TextImagePreparation::prepare(TextSearchFixtures::toBitmap(image), 1.0, true);
        QCOMPARE(gray.invertedTiles, 10 * 10);
        const auto* pixels = reinterpret_cast<const uchar*>(gray.pixels.constData());
        QVERIFY(pixels[300 * 640 + 5] > 200);    // panel background, now light
        QVERIFY(pixels[300 * 640 + 600] > 200);  // page background, unchanged
    }

    // A page that takes seconds of processor time to read completely: cut short by the deadline, then read
    // whole by the same engine, on the calling thread alone.
    void deadlineStopsTheEngineOnOneThread()
    {
        using namespace TextSearchFixtures;
        const Bitmap page = toBitmap(renderText(denseLines(60), false, QSize(1400, 1800), 16));
        const TextSearchSettings fast{TextRecognitionLevel::Fast, {}, false};
        double start = threadCpuSeconds();
        const TextReadResult cut = m_recognizer.recognizeWithin(page, fast, 0.3);
        const double cutCpu = threadCpuSeconds() - start;
        QVERIFY(cut.isTimedOut() && cut.text().isEmpty());

        const int before = threadCount();
        std::atomic<bool> running{true};
        std::atomic<int> most{0};
        std::thread sampler([&] {
            while (running) {
                most = std::max(most.load(), threadCount());
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        start = threadCpuSeconds();
        const TextReadResult whole = m_recognizer.recognizeWithin(page, fast, 300);
        const double wholeCpu = threadCpuSeconds() - start;
        running = false;
        sampler.join();
        QVERIFY(whole.ok() && whole.text().count(QLatin1Char('\n')) > 40);
        QCOMPARE(most.load(), before + 1);  // only the sampler was added
        QVERIFY2(cutCpu < wholeCpu / 2, qPrintable(QStringLiteral("%1 s of %2 s").arg(cutCpu).arg(wholeCpu)));
    }
};

QTEST_MAIN(TestTesseractRecognizer)
#include "tst_TesseractRecognizer.moc"
