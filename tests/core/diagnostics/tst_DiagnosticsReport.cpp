#include "core/diagnostics/DiagnosticsFacts.h"
#include "core/diagnostics/DiagnosticsReport.h"
#include "core/library/LibraryLayout.h"
#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"
#include "support/core/TestHome.h"

#include <QtTest>

class TestDiagnosticsReport : public QObject
{
    Q_OBJECT

    TestHome m_home;

    static DisplayInfo display(quint32 number, int width, int height, bool builtIn)
    {
        DisplayInfo info;
        info.facts.displayNumber = number;
        info.facts.serial = number;
        info.width = width;
        info.height = height;
        info.isBuiltIn = builtIn;
        return info;
    }

    // A never-started engine beside a numbered laptop panel and an unnumbered monitor.
    static DiagnosticsFacts facts()
    {
        DiagnosticsFacts facts;
        facts.displays = {display(66, 2560, 1600, true), display(77, 1920, 1080, false)};
        facts.idleSource = "org_kde_kwin_idle";
        return facts;
    }

    static void touch(const QString& path) { QVERIFY(QFile(path).open(QIODevice::WriteOnly)); }

private Q_SLOTS:
    void initTestCase()
    {
        const QString library = m_home.picturesFolder();
        for (const char* day : {"2026-01-01", "2026-03-04"})
            QDir().mkpath(library + '/' + day);
        QDir().mkpath(library + "/not-a-day");
        touch(library + "/2026-01-01/Momentra_2026-01-01_10-00-00.jpeg");
        touch(library + "/2026-01-01/notes.txt");
        touch(library + "/2026-01-01/Momentra_2026-01-01.mp4");
    }

    // The lines whose value depends on the state; each row's settings start from defaults.
    void valueRules_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("line");
        QTest::newRow("never captured") << QByteArray("{}") << "Last capture: never";
        QTest::newRow("idle gate's source") << QByteArray("{}") << "Idle time from: org_kde_kwin_idle";
        QTest::newRow("stopped") << QByteArray("{}") << "Next capture: never";
        QTest::newRow("PNG without quality") << QByteArray(R"({"Momentra.format":"PNG"})") << "Format: PNG";
        QTest::newRow("quality truncated")
            << QByteArray(R"({"Momentra.jpegQuality":0.759})") << "Format: JPEG, quality: 75%";
        QTest::newRow("OCR off") << QByteArray(
            R"({"Momentra.searchesText":false,"Momentra.textRecognitionLevel":"Fast",)"
            R"("Momentra.textRecognitionLanguage":"deu"})")
                                 << "OCR: off";
        QTest::newRow("OCR on") << QByteArray(
            R"({"Momentra.searchesText":true,"Momentra.textRecognitionLevel":"Fast",)"
            R"("Momentra.textRecognitionLanguage":"deu","Momentra.usesTextLanguageCorrection":false})")
                                << "OCR: on, Fast, deu, correction off";
        QTest::newRow("idle pause") << QByteArray(
            R"({"Momentra.pauseWhenIdle":true,"Momentra.idleThresholdSeconds":90})")
                                    << "Pause when idle: true after 90s";
        QTest::newRow("numbered display") << QByteArray("{}") << "  id=66 2560x1600 builtin true Display2";
        QTest::newRow("unnumbered display") << QByteArray("{}") << "  id=77 1920x1080 builtin false unnumbered";
        QTest::newRow("folder under home") << QByteArray("{}") << "Folder: ~/Pictures/Momentra";
        QTest::newRow("oldest day folder")
            << QByteArray("{}") << "Day folders: 2, oldest 2026-01-01 (1 capture, 2 other files)";
        QTest::newRow("missing folder") << QByteArray(R"({"Momentra.folderPath":"/nonexistent/Momentra"})")
                                        << "Folder exists: false, writable: false";
        QTest::newRow("missing folder has no days")
            << QByteArray(R"({"Momentra.folderPath":"/nonexistent/Momentra"})") << "Day folders: 0";
        QTest::newRow("no free-space pause")
            << QByteArray(R"({"Momentra.freeSpaceLimitGB":0})") << "Pause capture below: Never";
        QTest::newRow("cleanup never, to the Trash") << QByteArray("{}") << "Delete older than: Never, to the Trash";
    }
    void valueRules()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, line);
        QFile file(m_home.settingsFile());
        QDir().mkpath(QFileInfo(file).absolutePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(json);
        file.close();
        DefaultsStore store(m_home.settingsFile(), m_home.log());
        Preferences preferences(store);
        preferences.setDisplayOrdinals({{LibraryLayout::displayIdentity(facts().displays[0].facts), 2}});

        const QStringList lines = DiagnosticsReport::lines(facts(), preferences);
        QVERIFY2(lines.contains(line), qPrintable(lines.join('\n')));
    }

    void endsWithTheLogBlock()
    {
        DefaultsStore store(m_home.settingsFile(), m_home.log());
        Preferences preferences(store);
        m_home.log().log(QStringLiteral("Capture started"), EventLog::kEngine);

        const QStringList lines = DiagnosticsReport::lines(facts(), preferences);
        const QStringList all = DiagnosticsReport::text(facts(), preferences, m_home.log()).split('\n');
        QCOMPARE(all.value(lines.size()), QString());
        QVERIFY(all.value(lines.size() + 1).startsWith("Log, last 7 days, newest 500 lines at most"));
        QVERIFY(all.last().endsWith("Capture started"));
    }
};

QTEST_GUILESS_MAIN(TestDiagnosticsReport)
#include "tst_DiagnosticsReport.moc"
