#include "core/library/LibraryLayout.h"
#include "core/capture/ScreenshotWriter.h"
#include "support/MomentraRun.h"
#include "support/PrivateBus.h"
#include "support/core/TestHome.h"
#include "support/XvfbServer.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <csignal>
#include <sys/xattr.h>

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

    void withoutAGraphicalSession_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("capture") << "capture";
        QTest::newRow("run") << "run";
    }
    void withoutAGraphicalSession()
    {
        QFETCH(QString, command);
        const MomentraRun outcome = MomentraRun::of({command}, environment(false));
        QCOMPARE(outcome.exitCode, 1);
        QCOMPARE(outcome.err, QStringLiteral("momentra: No graphical session: DISPLAY is not set.\n"));
        QVERIFY(outcome.out.isEmpty());
        QVERIFY(!QFileInfo::exists(m_shots + QLatin1Char('/') + LibraryLayout::dayFolderName(QDateTime::currentDateTime())));
    }

    // Three RandR monitors: three marked private files and their ordinals stored.
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
        for (const QString& file : first) {
            QCOMPARE(QFile::permissions(file), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
            char marker[2] = {};
            QCOMPARE(::getxattr(QFile::encodeName(file).constData(), ScreenshotWriter::kMarkerAttribute, marker, 2), 1L);
            suffixes << QFileInfo(file).fileName().mid(28);  // after "Momentra_yyyy-MM-dd_HH-mm-ss"
        }
        QCOMPARE(suffixes, (QSet<QString>{".jpeg", "_Display2.jpeg", "_Display3.jpeg"}));

        QFile settings(m_home.configHome() + QStringLiteral("/Momentra/defaults.json"));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(settings.readAll())[QStringLiteral("Momentra.displayOrdinals")].toObject().size(), 3);
    }

    // `momentra run` captures until interrupted. One instance per session:
    // `toggle` reaches it over D-Bus, a second `run` refuses to start.
    void runCapturesAndIsRemoteControlled()
    {
        XvfbServer xvfb;
        QVERIFY2(xvfb.start(QStringLiteral("640x480x24")), qPrintable(xvfb.error()));
        PrivateBus bus(PrivateBus::Kind::Session);
        QVERIFY2(bus.start(), qPrintable(bus.error()));
        writeSetting(QStringLiteral("Momentra.intervalSeconds"), QStringLiteral("--int"), QStringLiteral("1"));
        writeSetting(QStringLiteral("Momentra.folderPath"), QStringLiteral("--string"), m_shots + QStringLiteral("-run"));
        const QString today = m_shots + QStringLiteral("-run/") + LibraryLayout::dayFolderName(QDateTime::currentDateTime());
        QProcessEnvironment env = environment(true);
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());

        QCOMPARE(MomentraRun::of({QStringLiteral("toggle")}, env).exitCode, 1);  // nobody to reach yet
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(MOMENTRA_EXECUTABLE), {QStringLiteral("run")});
        QVERIFY(process.waitForStarted());
        QString err;
        QTRY_VERIFY_WITH_TIMEOUT(QDir(today).entryList(QDir::Files).size() >= 2, 15000);
        err += QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("Capture started: every 1s, JPEG, into ")), qPrintable(err));
        // The name is claimed before capture starts.
        QCOMPARE(MomentraRun::of({QStringLiteral("toggle")}, env).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT((err += QString::fromUtf8(process.readAllStandardError())).contains(
                                     QStringLiteral("Capture stopped")), 10000);
        QCOMPARE(process.state(), QProcess::Running);  // stopping capture does not quit

        const MomentraRun second = MomentraRun::of({QStringLiteral("run")}, env);
        QCOMPARE(second.exitCode, 1);
        QVERIFY2(second.err.contains(QStringLiteral("already running")), qPrintable(second.err));
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(15000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QFile log(m_home.stateHome() + QStringLiteral("/Momentra/events.log"));
        QVERIFY(log.open(QIODevice::ReadOnly) && log.readAll().contains("Capture stopped"));
        for (const QString& name : QDir(today).entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(!ScreenshotWriter::isTemporaryName(name), qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(CaptureCommandsTest)
#include "tst_CaptureCommands.moc"
