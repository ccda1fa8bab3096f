#include "core/capture/ScreenshotWriter.h"
#include "core/textsearch/TextMetadata.h"
#include "support/PrivateBus.h"
#include "support/TextSearchFixtures.h"
#include "support/XvfbServer.h"
#include "support/core/CleanupLibrary.h"
#include "support/core/TestCodec.h"
#include "support/core/TestHome.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <sys/xattr.h>

// The real `momentra` commands against a temporary home: one case for each
// command's own behaviour; the rules underneath are tested below them.
// Screenshots are made old by moving the command's clock ahead with faketime.
class CommandsTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    CleanupLibrary m_library{m_home.picturesFolder()};

    struct Run
    {
        int exitCode = -1;  // also when it crashed or did not finish in time (it is killed then)
        QString out;
        QString err;
    };

    // One run of the executable to its end with nothing on its standard input, its clock moved ahead when asked.
    static Run momentra(const QStringList& arguments, const QString& clockAhead = {})
    {
        QStringList command = QStringList{MOMENTRA_EXECUTABLE} + arguments;
        if (!clockAhead.isEmpty())
            command = QStringList{QStandardPaths::findExecutable("faketime"), "-f", clockAhead} + command;
        QProcess process;
        process.start(command.first(), command.mid(1));
        process.closeWriteChannel();
        const bool ended = process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit;
        return {ended ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()).trimmed(),
                QString::fromUtf8(process.readAllStandardError()).trimmed()};
    }
    void setDefault(const QString& key, const QStringList& value)
    {
        QCOMPARE(momentra(QStringList{"defaults", "write", "Momentra." + key} + value).exitCode, 0);
    }
    QByteArray settingsFile() const
    {
        QFile file(m_home.settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString day() const { return m_home.picturesFolder() + "/2024-05-01"; }
    QStringList trashed() const { return QDir(m_home.dataHome() + "/Trash/files").entryList(QDir::Files); }

    // Three screenshots (one on a second display) and a file of the user's, all with a past creation date.
    void makeLibrary()
    {
        m_library.makeFile("2024-05-01/Momentra_2024-05-01_10-00-00.jpeg");
        m_library.makeFile("2024-05-01/Momentra_2024-05-01_10-00-00_Display2.jpeg");
        m_library.makeFile("2024-05-01/notes.txt");
        const QString newest = m_library.makeFile("2024-05-02/Momentra_2024-05-02_10-00-00.png");
        QTRY_VERIFY(QDateTime::currentDateTime() > CleanupLibrary::creationOf(newest));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable("faketime").isEmpty(), "Debian package faketime is missing");
        qunsetenv("DISPLAY");
    }

    void init()
    {
        QDir(m_home.picturesFolder()).removeRecursively();
        QDir(m_home.dataHome() + "/Trash").removeRecursively();
        QFile::remove(m_home.settingsFile());
    }

    void cleanup()
    {
        qunsetenv("DISPLAY");
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    // One line on standard error, nothing on standard output, no files made, the settings untouched.
    void refusals_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("error");  // the start of it
        const QString usage = "momentra: ";
        const QString noDisplay = "momentra: No graphical session: neither WAYLAND_DISPLAY nor DISPLAY is set.";
        const QString noFolder = "momentra: Couldn't open the folder.";
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2 << usage;
        QTest::newRow("capture with an argument") << QStringList{"capture", "now"} << 2 << usage;
        QTest::newRow("capture without a display") << QStringList{"capture"} << 1 << noDisplay;
        QTest::newRow("run without a display") << QStringList{"run"} << 1 << noDisplay;
        QTest::newRow("not an integer") << QStringList{"defaults", "write", "K", "--int", "4x"} << 2 << usage;
        QTest::newRow("bad json") << QStringList{"defaults", "write", "K", "--array", "[1,"} << 2 << usage;
        QTest::newRow("missing value") << QStringList{"defaults", "write", "K", "--int"} << 2 << usage;
        QTest::newRow("cleanup age") << QStringList{"cleanup", "--older-than", "forever"} << 2 << usage;
        QTest::newRow("cleanup: no folder") << QStringList{"cleanup", "--older-than", "1 Day"} << 1 << noFolder;
        QTest::newRow("delete-all off a terminal") << QStringList{"delete-all"} << 2 << usage;
        QTest::newRow("delete-all: no folder") << QStringList{"delete-all", "--yes"} << 1 << noFolder;
        QTest::newRow("export: not a day") << QStringList{"export", "2024-13-01"} << 2 << usage;
        QTest::newRow("export: nothing today")
            << QStringList{"export"} << 1 << "momentra: No screenshots from today yet.";
        QTest::newRow("ocr language") << QStringList{"ocr", "--language", "xx_none"} << 2 << usage;
        QTest::newRow("ocr: not a folder") << QStringList{"ocr", "/nonexistent/folder"} << 2 << usage;
        QTest::newRow("search window: no Momentra") << QStringList{"search"} << 1 << "momentra: ";
        QTest::newRow("diagnostics: zero lines") << QStringList{"diagnostics", "--lines", "0"} << 2 << usage;
    }
    void refusals()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, error);
        setDefault("intervalSeconds", {"--int", "30"});
        const QByteArray before = settingsFile();
        const Run run = momentra(arguments);
        QCOMPARE(run.exitCode, code);
        QVERIFY2(run.err.startsWith(error) && !run.err.contains(QLatin1Char('\n')), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
        QCOMPARE(settingsFile(), before);
        QVERIFY(!QFileInfo::exists(m_home.picturesFolder()));
    }

    void diagnosticsPrintsTheReport()
    {
        const Run run = momentra({"diagnostics"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.startsWith("Momentra diagnostics\nVersion: ")
                     && run.out.contains("\n\nLog, last 7 days, newest 500 lines at most"),
                 qPrintable(run.out));
    }

    // What is wrong with the settings is said once on standard error by
    // whichever command finds it.
    void settingsProblemsAreTold()
    {
        const QList<std::pair<QByteArray, QString>> cases{{"{\"Momentra.format\": ", "was damaged"},
                                                          {R"({"Momentra.folderPath": "lib"})", "not a full path"}};
        QDir().mkpath(QFileInfo(m_home.settingsFile()).path());
        for (const auto& [settings, told] : cases) {
            QFile file(m_home.settingsFile());
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(settings) == settings.size());
            file.close();
            const Run run = momentra({"cleanup", "--older-than", "1 Day"});
            QVERIFY2(run.err.count(told) == 1, qPrintable(run.err));
        }
    }

    void defaultsKeepTypes_data()
    {
        QTest::addColumn<QStringList>("write");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<int>("jsonType");
        QTest::newRow("int") << QStringList{"Momentra.intervalSeconds", "--int", "45"} << "45"
                             << int(QJsonValue::Double);
        QTest::newRow("bool") << QStringList{"Momentra.showsCursor", "--bool", "yes"} << "true"
                              << int(QJsonValue::Bool);
        QTest::newRow("array") << QStringList{"Momentra.excludedBundleIDs", "--array", R"(["a.b","c.d"])"}
                               << R"(["a.b","c.d"])" << int(QJsonValue::Array);
    }
    void defaultsKeepTypes()
    {
        QFETCH(QStringList, write);
        QCOMPARE(momentra(QStringList{"defaults", "write"} + write).exitCode, 0);
        QTEST(momentra({"defaults", "read", write.first()}).out, "printed");
        QTEST(int(QJsonDocument::fromJson(settingsFile())[write.first()].type()), "jsonType");
        QVERIFY(!settingsFile().contains("45.0"));
        QCOMPARE(momentra({"defaults", "delete", write.first()}).exitCode, 0);
        QCOMPARE(momentra({"defaults", "read", write.first()}).exitCode, 1);
        QCOMPARE(momentra({"defaults", "delete", write.first()}).exitCode, 1);
    }

    void cleanupAndDeleteAll_data()
    {
        QTest::addColumn<QString>("policy");    // stored
        QTest::addColumn<bool>("permanently");  // stored
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("clockAhead");
        QTest::addColumn<QString>("out");
        QTest::addColumn<int>("left");  // files and folders left in the library
        QTest::addColumn<int>("inTrash");
        const QString off = "Cleanup is off. Choose an age with --older-than, for example --older-than \"1 Week\".";
        QTest::newRow("nothing old yet") << "1 Day" << false << QStringList{"cleanup"} << QString()
                                         << "No screenshots older than 1 day." << 6 << 0;
        QTest::newRow("dry run") << "1 Day" << false << QStringList{"cleanup", "--dry-run"} << "+2d"
                                 << "Would move 3 screenshots to the Trash." << 6 << 0;
        QTest::newRow("stored age") << "1 Day" << false << QStringList{"cleanup"} << "+2d"
                                    << "Moved 3 screenshots to the Trash." << 2 << 3;
        QTest::newRow("off") << "Never" << false << QStringList{"cleanup"} << "+2d" << off << 6 << 0;
        QTest::newRow("given age, permanently")
            << "Never" << false << QStringList{"cleanup", "--older-than", "6 hours", "--permanently"} << "+1d"
            << "Deleted 3 screenshots." << 2 << 0;
        QTest::newRow("delete-all, stored permanently")
            << "Never" << true << QStringList{"delete-all", "--yes"} << QString() << "Deleted 3 screenshots." << 2 << 0;
    }
    void cleanupAndDeleteAll()
    {
        QFETCH(QString, policy);
        QFETCH(bool, permanently);
        QFETCH(QStringList, arguments);
        QFETCH(QString, clockAhead);
        makeLibrary();
        setDefault("deletionPolicy", {policy});
        setDefault("deletesPermanently", {"--bool", permanently ? "yes" : "no"});
        QTEST(momentra(arguments, clockAhead).out, "out");
        QTEST(int(m_library.tree().size()), "left");
        QTEST(int(trashed().size()), "inTrash");
        if (QTest::currentDataTag() == QLatin1String("stored age")) {
            QFile log(m_home.stateHome() + "/Momentra/events.log");
            QVERIFY(log.open(QIODevice::ReadOnly));
            QVERIFY(log.readAll().trimmed().endsWith("] Sweep (1 Day) of ~/Pictures/Momentra: trashed 3, failed 0"));
        }
    }

    // On a terminal the command asks first; `script` gives it one.
    void deleteAllAsksOnATerminal_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("deletes");
        QTest::newRow("yes") << QByteArray("y\n") << true;
        QTest::newRow("no") << QByteArray("n\n") << false;
    }
    void deleteAllAsksOnATerminal()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, deletes);
        const QString script = QStandardPaths::findExecutable("script");
        QVERIFY2(!script.isEmpty(), "script is missing: install the Debian package bsdutils");
        makeLibrary();
        QProcess process;
        process.start(script, {"-qec", MOMENTRA_EXECUTABLE " delete-all", "/dev/null"});
        QVERIFY(QTest::qWaitFor(
            [&] { return process.readAllStandardOutput().contains("[y/N]") || process.state() != QProcess::Running; },
            20000));
        process.write(answer);
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), deletes ? 0 : 1);
        QCOMPARE(trashed().size(), deletes ? 3 : 0);
        QCOMPARE(m_library.tree().size(), deletes ? 2 : 6);
    }

    void exportPrintsTheVideos()
    {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QVERIFY(QDir().mkpath(day()));
        for (const char* name : {"10-00-00", "10-00-00_Display2"})
            QVERIFY(image.save(day() + "/Momentra_2024-05-01_" + name + ".jpeg"));
        const Run result = momentra({"export", "2024-05-02", "2024-05-01", "--fps", "6"});
        QCOMPARE(result.exitCode, 0);
        const QString library = m_home.picturesFolder();
        const QStringList videos{library + "/Momentra_2024-05-01.mp4", library + "/Momentra_2024-05-01_Display2.mp4"};
        QCOMPARE(result.out.split('\n'), videos);
        QCOMPARE(result.err, QStringLiteral("Exported 2 videos. Thursday, May 2, 2024 had no screenshots left."));
        QProcess ffprobe;  // Debian package ffmpeg
        ffprobe.start("ffprobe", {"-v", "error", "-show_entries", "stream=r_frame_rate", "-of", "csv=p=0", videos[0]});
        QVERIFY(ffprobe.waitForFinished());
        QCOMPARE(ffprobe.readAllStandardOutput().trimmed(), "6/1");
    }

    // Recognised text goes into the search index, which finds it by any of its words, whatever their case and
    // accents; without the index the command says so and reads the files.
    void ocrThenSearch()
    {
        const QString morning = day() + "/Momentra_2024-05-01_09-00-00.png";
        const QString evening = day() + "/Momentra_2024-05-01_18-30-00_Display2.png";
        const QString other = day() + "/Momentra_2024-05-01_12-00-00.jpeg";
        QVERIFY(QDir().mkpath(day()));
        QVERIFY(TextSearchFixtures::renderText({"Quarterly invoice", "Garden"}, false, {400, 80}).save(morning));
        QVERIFY(TextSearchFixtures::renderText({"Invoice for London"}, true, {400, 80}).save(evening));
        QVERIFY(TestCodec::writeNonImage(other));
        QVERIFY(TextMetadata::write("Notes\nRésumé draft for the CAFÉ", other, TextRecognitionLevel::Accurate).ok());
        const Run ocr = momentra({"ocr", "--level", "fast"});
        QCOMPARE(ocr.exitCode, 0);
        QCOMPARE(ocr.out, QStringLiteral("Recognized text in 2 screenshots."));  // no progress bar off a terminal
        QCOMPARE(TextMetadata::readMarker(morning), std::optional<QString>(QStringLiteral("fast")));

        const QString invoices = "2024-05-01 18:30:00  " + evening + "\n    [Invoice] for London\n"
                                 + "2024-05-01 09:00:00  " + morning + "\n    Quarterly [invoice] Garden";
        const Run indexed = momentra({"search", "invoi"});
        QCOMPARE(indexed.out, invoices);
        QCOMPARE(indexed.err, QString());
        QCOMPARE(momentra({"search", "invoice", "paris"}).exitCode, 1);
        QCOMPARE(momentra({"search", "resume", "cafe"}).out,
                 "2024-05-01 12:00:00  " + other + QStringLiteral("\n    Notes [Résumé] draft for the [CAFÉ]"));
        const QString json = momentra({"search", "invoice", "--display", "2", "--json"}).out;
        QCOMPARE(QJsonDocument::fromJson(json.toUtf8()).object().value("path").toString(), evening);
        QCOMPARE(momentra({"search", "invoice", "--until", "2024-05-01 12:00"}).out.count('\n'), 1);

        QVERIFY(QFile::remove(m_home.path() + "/cache/Momentra/search.sqlite"));
        const Run scanned = momentra({"search", "invoice"});
        QVERIFY2(scanned.err.contains("search index isn't built"), qPrintable(scanned.err));
        const QRegularExpression header("^2024");
        QCOMPARE(scanned.out.split('\n').filter(header), invoices.split('\n').filter(header));
    }

    void ocrInterruptStopsAfterTheCurrentFile()
    {
        const QString folder = m_home.path() + "/Many";
        const QStringList lines = TextSearchFixtures::denseLines(8);  // each page takes a moment to read
        QStringList images;
        QVERIFY(QDir().mkpath(folder));
        for (int i = 0; i < 12; ++i) {
            images.append(folder + QStringLiteral("/%1.png").arg(i, 2, 10, QLatin1Char('0')));
            QVERIFY(TextSearchFixtures::renderText(lines, i % 2, QSize(700, 260), 16).save(images.last()));
        }
        QProcess process;
        process.start(MOMENTRA_EXECUTABLE, {"ocr", folder});
        QVERIFY(QTest::qWaitFor([&] { return TextMetadata::readMarker(images[0]).has_value(); }, 240000));
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(240000));
        QCOMPARE(process.exitCode(), 1);
        int read = 0;
        for (const QString& image : images)
            read += TextMetadata::readMarker(image).has_value();
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(read < images.size() && out.startsWith(QStringLiteral("Stopped after %1 image").arg(read)),
                 qPrintable(out));
    }

    // Three RandR monitors: three marked private files and their ordinals stored.
    void captureAndRun()
    {
        XvfbServer xvfb;
        QVERIFY2(xvfb.start("3840x1080x24"), qPrintable(xvfb.error()));
        for (const QStringList& monitor : QList<QStringList>{{"A", "1920/508x1080/286+0+0", "screen"},
                                                             {"B", "1280/338x1024/270+1920+0", "none"},
                                                             {"C", "640/169x480/127+3200+0", "none"}})
            QVERIFY2(xvfb.run("xrandr", QStringList{"--setmonitor"} + monitor) == 0,
                     "xrandr failed (Debian package x11-xserver-utils)");
        const Run outcome = momentra({"capture"});
        QCOMPARE(outcome.exitCode, 0);
        const QStringList files = outcome.out.split('\n');
        QSet<QString> suffixes;
        for (const QString& file : files) {
            QCOMPARE(QFile::permissions(file),
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
            char marker[2] = {};
            QCOMPARE(::getxattr(QFile::encodeName(file).constData(), ScreenshotWriter::kMarkerAttribute, marker, 2),
                     1L);
            suffixes << QFileInfo(file).fileName().mid(28);  // after "Momentra_yyyy-MM-dd_HH-mm-ss"
        }
        QCOMPARE(files.size(), 3);
        QCOMPARE(suffixes, (QSet<QString>{".jpeg", "_Display2.jpeg", "_Display3.jpeg"}));
        QCOMPARE(QJsonDocument::fromJson(settingsFile())["Momentra.displayOrdinals"].toObject().size(), 3);

        // `momentra run` captures until interrupted. One instance per session:
        // `toggle` reaches it over D-Bus, a second `run` refuses to start.
        PrivateBus bus(PrivateBus::Kind::Session);
        QVERIFY2(bus.start(), qPrintable(bus.error()));
        setDefault("intervalSeconds", {"--int", "1"});
        const QString today = QFileInfo(files[0]).path();
        QCOMPARE(momentra({"toggle"}).exitCode, 1);  // nobody to reach yet
        QProcess process;
        process.start(MOMENTRA_EXECUTABLE, {"run"});
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QDir(today).entryList(QDir::Files).size() >= 3 + 2 * 3, 15000);  // two captures
        QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(err.contains("Capture started: every 1s, JPEG, into "), qPrintable(err));
        QVERIFY(momentra({"diagnostics", "--lines", "5"}).out.contains("Capturing: true"));  // asks the running one
        // The name is claimed before capture starts.
        QCOMPARE(momentra({"toggle"}).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT((err += QString::fromUtf8(process.readAllStandardError())).contains("Capture stopped"),
                                 10000);
        QCOMPARE(process.state(), QProcess::Running);  // stopping capture does not quit

        const Run second = momentra({"run"});
        QCOMPARE(second.exitCode, 1);
        QVERIFY2(second.err.contains("already running"), qPrintable(second.err));
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(15000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QFile log(m_home.stateHome() + "/Momentra/events.log");
        QVERIFY(log.open(QIODevice::ReadOnly) && log.readAll().contains("Capture stopped"));
        for (const QString& name : QDir(today).entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(!ScreenshotWriter::isTemporaryName(name), qPrintable(name));
    }
};

QTEST_MAIN(CommandsTest)
#include "tst_Commands.moc"
