#include "app/ApplicationRestart.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

// Run as an instance of its own (the marker variable set), this binary notes
// each start with its arguments; the first instance restarts, noting when it
// has shut down.
static const char* kMarker = "RESTART_TEST_MARKER";

static void note(const QByteArray& line)
{
    QFile marker(qEnvironmentVariable(kMarker));
    if (marker.open(QIODevice::Append))
        marker.write(line + '\n');
}

static int runInstance(int argc, char** argv)
{
    const bool restarted = QFile::exists(qEnvironmentVariable(kMarker));
    QCoreApplication app(argc, argv);
    note("start " + QCoreApplication::arguments().mid(1).join(u'|').toUtf8());
    if (restarted)
        return 0;
    QTimer::singleShot(0, &ApplicationRestart::restart);
    const int status = app.exec();
    // Shutting down takes a while (the session's name is still held): a new
    // instance started too early would note its start meanwhile.
    const QString marker = qEnvironmentVariable(kMarker);
    const qint64 noted = QFileInfo(marker).size();
    for (QDeadlineTimer shutdown(1000); !shutdown.hasExpired() && QFileInfo(marker).size() == noted;)
        QThread::msleep(10);
    note("shut down");
    return status;
}

class ApplicationRestartTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The new instance gets the same arguments, unsplit by any shell, and
    // starts only after the old one has shut down.
    void startsTheSameCommandAfterShuttingDown()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("marker");
        qputenv(kMarker, QFile::encodeName(path));
        QCOMPARE(QProcess::execute(QCoreApplication::applicationFilePath(), {"run", "two words;", "$0"}), 0);
        const auto marker = [&] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QTRY_COMPARE(marker(), "start run|two words;|$0\nshut down\nstart run|two words;|$0\n");
    }
};

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(kMarker))
        return runInstance(argc, argv);
    QCoreApplication app(argc, argv);
    ApplicationRestartTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ApplicationRestart.moc"
