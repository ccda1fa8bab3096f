#include "cli/SignalWatcher.h"
#include "core/capture/LibraryLayout.h"
#include "core/capture/ScreenshotWriter.h"
#include "media/image/MediaImageCodec.h"
#include "support/MomentraRun.h"
#include "support/PrivateBus.h"
#include "support/TestHome.h"
#include "support/XvfbServer.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace {

QSize imageSize(const QString& path)
{
    MediaImageCodec codec;
    const auto image = codec.decodeFile(path);
    return image ? QSize(image->width, image->height) : QSize();
}

}  // namespace

class CaptureCommandsTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    QString m_shots = m_home.path() + QStringLiteral("/shots");

    QProcessEnvironment environment(bool withDisplay) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!withDisplay)
            env.remove(QStringLiteral("DISPLAY"));
        return env;
    }
    void writeSetting(const QString& key, const QString& type, const QString& value)
    {
        const QStringList arguments{QStringLiteral("defaults"), QStringLiteral("write"), key, type, value};
        QCOMPARE(MomentraRun::of(arguments, environment(false)).exitCode, 0);
    }

private Q_SLOTS:
    void initTestCase()
    {
        writeSetting(QStringLiteral("Momentra.folderPath"), QStringLiteral("--string"), m_shots);
    }

    void withoutAGraphicalSessionBothCommandsSaySo_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("capture") << "capture";
        QTest::newRow("run") << "run";
    }
    void withoutAGraphicalSessionBothCommandsSaySo()
    {
        QFETCH(QString, command);
        const MomentraRun outcome = MomentraRun::of({command}, environment(false));
        QCOMPARE(outcome.exitCode, 1);
        QCOMPARE(outcome.err, QStringLiteral("momentra: No graphical session: DISPLAY is not set.\n"));
        QVERIFY(outcome.out.isEmpty());
        QVERIFY(!QFileInfo::exists(m_shots + QLatin1Char('/') + LibraryLayout::dayFolderName(QDateTime::currentDateTime())));
    }

    void extraArgumentsAreBadInput()
    {
        QCOMPARE(MomentraRun::of({QStringLiteral("capture"), QStringLiteral("now")}, environment(false)).exitCode, 2);
        QCOMPARE(MomentraRun::of({QStringLiteral("run"), QStringLiteral("--fast")}, environment(false)).exitCode, 2);
    }

    void signalsArriveOnTheEventLoop()
    {
        SignalWatcher watcher({SIGTERM, SIGUSR1});
        QSignalSpy received(&watcher, &SignalWatcher::received);
        ::raise(SIGUSR1);
        ::raise(SIGTERM);
        QTRY_COMPARE(received.count(), 2);
        QCOMPARE(received.at(0).at(0).toInt(), SIGUSR1);
        QCOMPARE(received.at(1).at(0).toInt(), SIGTERM);
    }

    // Three RandR monitors of different sizes: three marked private files and
    // their ordinals stored (reusing stored ordinals is a display-capture case).
    void captureWritesOneFilePerMonitorAndKeepsOrdinals()
    {
        XvfbServer xvfb;
        QVERIFY2(xvfb.start(QStringLiteral("3840x1080x24")), qPrintable(xvfb.error()));
        const QStringList monitors[] = {
            {QStringLiteral("--setmonitor"), QStringLiteral("A"), QStringLiteral("1920/508x1080/286+0+0"), QStringLiteral("screen")},
            {QStringLiteral("--setmonitor"), QStringLiteral("B"), QStringLiteral("1280/338x1024/270+1920+0"), QStringLiteral("none")},
            {QStringLiteral("--setmonitor"), QStringLiteral("C"), QStringLiteral("640/169x480/127+3200+0"), QStringLiteral("none")}};
        for (const QStringList& monitor : monitors)
            QVERIFY2(xvfb.run(QStringLiteral("xrandr"), monitor) == 0, "xrandr failed (Debian package x11-xserver-utils)");

        const MomentraRun outcome = MomentraRun::of({QStringLiteral("capture")}, environment(true));
        QCOMPARE(outcome.exitCode, 0);
        const QStringList first = outcome.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(first.size(), 3);
        QSet<QString> suffixes;
        QSet<QSize> sizes;
        for (const QString& file : first) {
            QVERIFY2(LibraryLayout::isOwnScreenshotName(QFileInfo(file).fileName()), qPrintable(file));
            QVERIFY(file.endsWith(QStringLiteral(".jpeg")));
            struct stat info {};
            QCOMPARE(::stat(QFile::encodeName(file).constData(), &info), 0);
            QCOMPARE(info.st_mode & 0777, 0600u);
            char marker[2] = {};
            QCOMPARE(::getxattr(QFile::encodeName(file).constData(), ScreenshotWriter::kMarkerAttribute, marker, 2), 1L);
            suffixes << QFileInfo(file).completeBaseName().mid(28);  // after "Momentra_yyyy-MM-dd_HH-mm-ss"
            sizes << imageSize(file);
        }
        QCOMPARE(suffixes, (QSet<QString>{QString(), QStringLiteral("_Display2"), QStringLiteral("_Display3")}));
        QCOMPARE(sizes, (QSet<QSize>{QSize(1920, 1080), QSize(1280, 1024), QSize(640, 480)}));

        const QString settingsFile = m_home.configHome() + QStringLiteral("/Momentra/defaults.json");
        QFile settings(settingsFile);
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(settings.readAll()).object().value(QStringLiteral("Momentra.displayOrdinals"))
                     .toObject().size(), 3);
    }

    void runCapturesUntilInterrupted()
    {
        XvfbServer xvfb;
        QVERIFY2(xvfb.start(QStringLiteral("800x600x24")), qPrintable(xvfb.error()));
        writeSetting(QStringLiteral("Momentra.intervalSeconds"), QStringLiteral("--int"), QStringLiteral("1"));
        writeSetting(QStringLiteral("Momentra.folderPath"), QStringLiteral("--string"), m_shots + QStringLiteral("-run"));
        QProcess process;
        process.setProcessEnvironment(environment(true));
        process.start(QStringLiteral(MOMENTRA_EXECUTABLE), {QStringLiteral("run")});
        QVERIFY(process.waitForStarted());
        const QString today = m_shots + QStringLiteral("-run/") + LibraryLayout::dayFolderName(QDateTime::currentDateTime());
        QTRY_VERIFY_WITH_TIMEOUT(QDir(today).entryList(QDir::Files).size() >= 2, 15000);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(15000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("Capture started: every 1s, JPEG, into ")), qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("Capture stopped")), qPrintable(err));
        QFile log(m_home.stateHome() + QStringLiteral("/Momentra/events.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(log.readAll()).contains(QStringLiteral("Capture stopped")));
        for (const QString& name : QDir(today).entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(!ScreenshotWriter::isTemporaryName(name), qPrintable(name));
    }
    // One instance per session: `momentra toggle` reaches the running one
    // over D-Bus, and a second `momentra run` refuses to start.
    void remoteControlReachesTheRunningInstance()
    {
        XvfbServer xvfb;
        QVERIFY2(xvfb.start(QStringLiteral("640x480x24")), qPrintable(xvfb.error()));
        PrivateBus bus(PrivateBus::Kind::Session);
        QVERIFY2(bus.start(), qPrintable(bus.error()));
        writeSetting(QStringLiteral("Momentra.intervalSeconds"), QStringLiteral("--int"), QStringLiteral("3600"));
        QProcessEnvironment env = environment(true);
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());

        QCOMPARE(MomentraRun::of({QStringLiteral("toggle")}, env).exitCode, 1);  // nobody to reach yet
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(MOMENTRA_EXECUTABLE), {QStringLiteral("run")});
        QVERIFY(process.waitForStarted());
        QString err;
        QTRY_VERIFY_WITH_TIMEOUT((err += QString::fromUtf8(process.readAllStandardError())).contains(
                                     QStringLiteral("Capture started")), 15000);
        // The name is claimed before capture starts.
        QCOMPARE(MomentraRun::of({QStringLiteral("toggle")}, env).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT((err += QString::fromUtf8(process.readAllStandardError())).contains(
                                     QStringLiteral("Capture stopped")), 10000);
        QCOMPARE(process.state(), QProcess::Running);  // stopping capture does not quit

        const MomentraRun second = MomentraRun::of({QStringLiteral("run")}, env);
        QCOMPARE(second.exitCode, 1);
        QVERIFY2(second.err.contains(QStringLiteral("already running")), qPrintable(second.err));

        const MomentraRun started = MomentraRun::of({QStringLiteral("start")}, env);
        QVERIFY2(started.exitCode == 0, qPrintable(started.err));
        QTRY_VERIFY_WITH_TIMEOUT((err += QString::fromUtf8(process.readAllStandardError()))
                                     .count(QStringLiteral("Capture started")) == 2,
                                 10000);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(15000));
        QCOMPARE(process.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(CaptureCommandsTest)
#include "tst_CaptureCommands.moc"
