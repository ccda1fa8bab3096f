#include "platform/linux/LinuxSessionState.h"
#include "support/HelperProcess.h"
#include "support/core/EventLogWatcher.h"
#include "support/core/TestHome.h"

#include <QTemporaryDir>
#include <QtTest>

// The idle gate through the compositor's idle protocols, against a small
// compositor of our own (tests/support/wayland/idle_compositor.c) that
// offers either or both, reports what its clients do, and takes input as a
// line on its standard input.
class TestWaylandIdleProtocol : public QObject
{
    Q_OBJECT

    class Compositor : public HelperProcess
    {
    public:
        ~Compositor() override
        {
            disconnect();  // stopping reads the last output, past m_lines' end
            stop();
        }
        bool start(const QStringList& protocols, const QString& runtimeDir)
        {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("XDG_RUNTIME_DIR", runtimeDir);
            setProcessEnvironment(environment);
            QStringList arguments;
            for (const QString& protocol : protocols)
                arguments << "--" + protocol;
            QProcess::start(MOMENTRA_IDLE_COMPOSITOR, arguments);
            connect(this, &QProcess::readyReadStandardOutput, this, [this] {
                while (canReadLine())
                    m_lines += QString::fromUtf8(readLine()).trimmed();
            });
            return waitForStarted() && QTest::qWaitFor([this] { return !socket().isEmpty(); }, 10000);
        }
        QString socket() const
        {
            const QStringList ready = m_lines.filter(QRegularExpression("^ready "));
            return ready.isEmpty() ? QString() : ready.first().mid(6);
        }
        // The next `count` things the clients did, once they are reported.
        QStringList next(int count)
        {
            (void)QTest::qWaitFor([&] { return m_lines.size() > count; }, 10000);  // short: the comparison says
            QStringList lines = m_lines.mid(1, count);
            m_lines.remove(1, lines.size());
            return lines;
        }
        void input() { write("input\n"); }

    private:
        QStringList m_lines;
    };

    TestHome m_home;

    static QDBusConnection noBus(const char* name)
    {
        return QDBusConnection::connectToBus("unix:path=/nonexistent", name);
    }

private Q_SLOTS:
    // The preferred protocol of those offered is chosen and bound, armed with
    // the threshold, re-armed (the old notification gone) when the threshold
    // changes; idle once the threshold passed without input, active again at
    // input. Each threshold is long enough for the polls to see both states.
    void idleGate_data()
    {
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("kind");  // as the compositor reports the notification
        QTest::newRow("both") << QStringList{"ext", "kde"} << "ext_idle_notifier_v1"
                              << "ext";
        QTest::newRow("ext_idle_notifier_v1") << QStringList{"ext"} << "ext_idle_notifier_v1"
                                              << "ext";
        QTest::newRow("org_kde_kwin_idle") << QStringList{"kde"} << "org_kde_kwin_idle"
                                           << "kde";
    }
    void idleGate()
    {
        QFETCH(QStringList, offered);
        QFETCH(QString, protocol);
        QFETCH(QString, kind);
        QTemporaryDir runtimeDir;
        Compositor compositor;
        QVERIFY2(compositor.start(offered, runtimeDir.path()), "the test compositor did not start");
        qputenv("WAYLAND_DISPLAY", QFile::encodeName(runtimeDir.filePath(compositor.socket())));
        EventLogWatcher log(m_home.log());
        LinuxSessionState session(noBus("system"), noBus("session"), m_home.log());
        qunsetenv("WAYLAND_DISPLAY");
        QCOMPARE(log.count("Idle time from " + protocol + ";"), 1);

        const QString first = kind + " 1000";
        session.setIdleThreshold(1);
        QCOMPARE(compositor.next(2), (QStringList{"bound " + protocol, "armed " + first}));
        QCOMPARE(session.secondsSinceLastInput(), 0.0);
        QTRY_VERIFY(session.secondsSinceLastInput() >= 1);
        compositor.input();
        QTRY_COMPARE(session.secondsSinceLastInput(), 0.0);
        QTRY_VERIFY(session.secondsSinceLastInput() >= 1);  // and idle again after input
        QCOMPARE(compositor.next(3), (QStringList{"idled " + first, "resumed " + first, "idled " + first}));

        const QString second = kind + " 1500";
        session.setIdleThreshold(1.5);
        QCOMPARE(compositor.next(2), (QStringList{"destroyed " + first, "armed " + second}));
        QTRY_VERIFY_WITH_TIMEOUT(session.secondsSinceLastInput() >= 1.5, 10000);
        QCOMPARE(compositor.next(1), QStringList{"idled " + second});
    }
};

QTEST_GUILESS_MAIN(TestWaylandIdleProtocol)
#include "tst_WaylandIdleProtocol.moc"
