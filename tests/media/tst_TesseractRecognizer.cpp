#include "support/TextSearchFixtures.h"

#include "media/TesseractRecognizer.h"
#include "media/TextImagePreparation.h"

#include <QDir>
#include <QElapsedTimer>
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
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

QStringList denseLines(int count)
{
    static const char* const words[] = {"schedule", "payment", "network", "quarter", "release", "garden", "ticket",
                                        "monitor", "journey", "harbor", "pepper", "walnut"};
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        QString line;
        for (int j = 0; j < 14; ++j)
            line += QString::fromLatin1(words[(i * 5 + j * 7) % 12]) + QLatin1Char(' ');
        lines.append(line);
    }
    return lines;
}

}  // namespace

class TestTesseractRecognizer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsRenderedText_data();
    void readsRenderedText();
    void blankImageReadsAsEmptyText();
    void unknownLanguageFallsBackToAutomatic();
    void languages();
    void automaticLanguages_data();
    void automaticLanguages();
    void darkPanelsAreInverted();
    void deadlineStopsTheEngine();
    void staysOnOneThread();

private:
    TesseractRecognizer m_recognizer;
};

void TestTesseractRecognizer::initTestCase()
{
    if (!m_recognizer.supportedLanguages(TextRecognitionLevel::Accurate).contains(QStringLiteral("eng")))
        QFAIL("English text recognition data is missing: install the Debian package tesseract-ocr-eng");
}

void TestTesseractRecognizer::readsRenderedText_data()
{
    QTest::addColumn<bool>("fast");
    QTest::addColumn<bool>("dark");
    QTest::addColumn<bool>("correction");
    QTest::newRow("accurate light") << false << false << false;
    QTest::newRow("accurate dark") << false << true << false;
    QTest::newRow("fast light") << true << false << false;
    QTest::newRow("fast dark") << true << true << false;
    QTest::newRow("accurate with dictionaries") << false << false << true;
}

void TestTesseractRecognizer::readsRenderedText()
{
    QFETCH(bool, fast);
    QFETCH(bool, dark);
    QFETCH(bool, correction);
    const QImage image = TextSearchFixtures::renderText(
        {QStringLiteral("Quarterly invoice summary"), QStringLiteral("Meeting with the London team")}, dark);
    const TextSearchSettings settings{fast ? TextRecognitionLevel::Fast : TextRecognitionLevel::Accurate,
                                      std::nullopt, correction};
    const TextReadResult result =
        m_recognizer.recognizeWithin(TextSearchFixtures::toBitmap(image), settings, 60);
    QVERIFY2(result.ok(), qPrintable(result.message()));
    for (const char* word : {"Quarterly", "invoice", "summary", "Meeting", "London", "team"})
        QVERIFY2(result.text().contains(QLatin1String(word)), qPrintable(result.text()));
    QCOMPARE(result.text().count(QLatin1Char('\n')), 1);  // one line per line of text
}

void TestTesseractRecognizer::blankImageReadsAsEmptyText()
{
    const TextReadResult result =
        m_recognizer.recognizeWithin(Bitmap::filled(640, 480, 0xffffffff), TextSearchSettings{}, 60);
    QVERIFY(result.ok());
    QCOMPARE(result.text(), QString());
}

void TestTesseractRecognizer::unknownLanguageFallsBackToAutomatic()
{
    const QImage image = TextSearchFixtures::renderText({QStringLiteral("Weekend holiday travel")});
    const TextReadResult result = m_recognizer.recognizeWithin(
        TextSearchFixtures::toBitmap(image), {TextRecognitionLevel::Fast, QStringLiteral("xx_notinstalled"), false},
        60);
    QVERIFY2(result.ok(), qPrintable(result.message()));
    QVERIFY(result.text().contains(QLatin1String("holiday")));
    QVERIFY(m_recognizer.languageFor({TextRecognitionLevel::Fast, QStringLiteral("xx_notinstalled"), false})
                .contains(QLatin1String("eng")));
    QCOMPARE(m_recognizer.languageFor({TextRecognitionLevel::Fast, QStringLiteral("eng"), false}),
             QStringLiteral("eng"));
}

void TestTesseractRecognizer::languages()
{
    const QStringList languages = m_recognizer.supportedLanguages(TextRecognitionLevel::Fast);
    QVERIFY(languages.contains(QStringLiteral("eng")));
    QVERIFY(!languages.contains(QStringLiteral("osd")));  // orientation data, not a language
    QCOMPARE(m_recognizer.supportedLanguages(TextRecognitionLevel::Accurate), languages);
}

void TestTesseractRecognizer::automaticLanguages_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QStringList>("ui");
    QTest::addColumn<QStringList>("chosen");
    const QStringList installed{QStringLiteral("chi_sim"), QStringLiteral("deu"), QStringLiteral("eng"),
                                QStringLiteral("fra")};
    QTest::newRow("german desktop") << installed << QStringList{"de-DE", "de"} << QStringList{"deu", "eng"};
    QTest::newRow("chinese, then french") << installed << QStringList{"zh-Hans-CN", "fr-FR"}
                                          << QStringList{"chi_sim", "fra", "eng"};
    QTest::newRow("english desktop") << installed << QStringList{"en-GB"} << QStringList{"eng"};
    QTest::newRow("not installed") << installed << QStringList{"ja-JP"} << QStringList{"eng"};
    QTest::newRow("no english data") << QStringList{"deu"} << QStringList{"en-US"} << QStringList{};
}

void TestTesseractRecognizer::automaticLanguages()
{
    QFETCH(QStringList, installed);
    QFETCH(QStringList, ui);
    QFETCH(QStringList, chosen);
    QCOMPARE(TesseractRecognizer::automaticLanguages(installed, ui), chosen);
}

void TestTesseractRecognizer::darkPanelsAreInverted()
{
    // A light page with a dark side panel: only the panel's tiles turn over.
    QImage image = TextSearchFixtures::renderText({QStringLiteral("light page")}, false, QSize(640, 320));
    const QImage panel = TextSearchFixtures::renderText({QStringLiteral("dark panel")}, true, QSize(320, 320));
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 320; ++x)
            image.setPixel(x, y, panel.pixel(x, y));
    const auto gray = TextImagePreparation::prepare(TextSearchFixtures::toBitmap(image), 1.0, true);
    QCOMPARE(gray.invertedTiles, 10 * 10);
    const auto* pixels = reinterpret_cast<const uchar*>(gray.pixels.constData());
    QVERIFY(pixels[300 * 640 + 5] > 200);    // panel background, now light
    QVERIFY(pixels[300 * 640 + 600] > 200);  // page background, unchanged
}

void TestTesseractRecognizer::deadlineStopsTheEngine()
{
    // A page that takes seconds of processor time to read completely.
    const QImage page = TextSearchFixtures::renderText(denseLines(60), false, QSize(1400, 1800), 16);
    const Bitmap bitmap = TextSearchFixtures::toBitmap(page);
    const double cpuBefore = threadCpuSeconds();
    const TextReadResult whole = m_recognizer.recognizeWithin(bitmap, {TextRecognitionLevel::Fast, {}, false}, 300);
    const double wholeCpu = threadCpuSeconds() - cpuBefore;
    QVERIFY(whole.ok());
    QVERIFY(whole.text().count(QLatin1Char('\n')) > 40);

    const double cpuStart = threadCpuSeconds();
    const TextReadResult cut = m_recognizer.recognizeWithin(bitmap, {TextRecognitionLevel::Fast, {}, false}, 0.3);
    const double cutCpu = threadCpuSeconds() - cpuStart;
    QVERIFY(cut.isTimedOut());
    QVERIFY(cut.text().isEmpty());
    QVERIFY2(cutCpu < wholeCpu / 2, qPrintable(QStringLiteral("%1 s of %2 s").arg(cutCpu).arg(wholeCpu)));

    // The engine is still usable after a time-out.
    const TextReadResult after = m_recognizer.recognizeWithin(
        TextSearchFixtures::toBitmap(TextSearchFixtures::renderText({QStringLiteral("Garden ticket")})),
        {TextRecognitionLevel::Fast, {}, false}, 60);
    QVERIFY(after.ok());
    QVERIFY(after.text().contains(QLatin1String("ticket")));
}

void TestTesseractRecognizer::staysOnOneThread()
{
    const Bitmap bitmap =
        TextSearchFixtures::toBitmap(TextSearchFixtures::renderText(denseLines(20), false, QSize(1400, 700), 16));
    const int before = threadCount();
    std::atomic<bool> running{true};
    std::atomic<int> most{0};
    std::thread sampler([&] {
        while (running) {
            most = std::max(most.load(), threadCount());
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    const TextReadResult result = m_recognizer.recognizeWithin(bitmap, {TextRecognitionLevel::Accurate, {}, false}, 300);
    running = false;
    sampler.join();
    QVERIFY(result.ok());
    QCOMPARE(most.load(), before + 1);  // only the sampler was added
}

QTEST_MAIN(TestTesseractRecognizer)
#include "tst_TesseractRecognizer.moc"
