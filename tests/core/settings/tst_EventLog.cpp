#include "core/log/EventLog.h"
#include "core/log/SystemLogMirror.h"
#include "support/core/TestHome.h"

#include <QtTest>

#include <thread>
#include <vector>

namespace {

QStringList readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

struct RecordingMirror : SystemLogMirror
{
    QStringList lines;
    void write(const QString& message, bool isError) override { lines << (isError ? "E:" : "I:") + message; }
};

}  // namespace

class TestEventLog : public QObject
{
    Q_OBJECT

    TestHome m_home;
    QString m_folder;

private Q_SLOTS:
    void init()
    {
        m_folder = m_home.stateHome() + "/Momentra";
        QDir(m_folder).removeRecursively();
    }

    // The diagnostics section reads back what was written.
    void firstLineCreatesFolderAndFormatsLine()
    {
        EventLog log(m_folder);
        auto mirror = std::make_shared<RecordingMirror>();
        log.setMirror(mirror);
        QCOMPARE(log.logSection(7, 500),
                 "Log, last 7 days, newest 500 lines at most (~/state/Momentra):\nNo log entries found.");
        const QDateTime before = QDateTime::currentDateTime();
        log.log(QString("Saved to %1/Pictures\nsecond line").arg(QDir::homePath()));
        log.logError("Launched", EventLog::kApp);
        log.flush();
        QCOMPARE(QFileInfo(m_folder).permissions() & QFileDevice::ReadOther, QFileDevice::Permissions{});
        const QStringList lines = readLines(log.currentFile());
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].mid(19), " [engine] Saved to ~/Pictures second line");
        QCOMPARE(lines[1].mid(19), " [app] Launched");
        const QDateTime stamped = QDateTime::fromString(lines[0].left(19), "yyyy-MM-dd HH:mm:ss");
        QVERIFY(qAbs(stamped.secsTo(before)) <= 1);
        // The mirror gets the message unchanged, with its level.
        QCOMPARE(mirror->lines.first(), QString("I:Saved to %1/Pictures\nsecond line").arg(QDir::homePath()));
        QCOMPARE(mirror->lines.last(), "E:Launched");
        const QStringList section = log.logSection(7, 500).split('\n');
        QCOMPARE(section.size(), 3);
        QVERIFY(section[2].endsWith(" [app] Launched"));
    }

    // A line that finds the log at its size limit first moves it over the previous one; one byte short, it does not.
    void rotatesAtTheSizeLimit()
    {
        QDir().mkpath(m_folder);
        EventLog log(m_folder);
        writeFile(log.previousFile(), "old previous\n");
        writeFile(log.currentFile(), QByteArray(524287, 'x'));
        log.log("next");
        log.flush();
        QCOMPARE(readLines(log.previousFile()), QStringList{"old previous"});
        writeFile(log.currentFile(), QByteArray(524288, 'x'));
        log.log("next");
        log.flush();
        QCOMPARE(QFileInfo(log.previousFile()).size(), 524288);
        QCOMPARE(readLines(log.currentFile()).size(), 1);
    }

    void readBackCutOff()
    {
        QDir().mkpath(m_folder);
        EventLog log(m_folder);
        writeFile(log.previousFile(), "2024-05-01 09:00:00 [engine] old\n"
                                      "2024-05-01 10:00:00 [engine] first kept\n");
        writeFile(log.currentFile(), "continuation after\n"
                                     "2024-05-01 11:00:00 [engine] second\n"
                                     "\n"
                                     "2024-05-01 12:00:00 [engine] third\n");
        const QDateTime since(QDate(2024, 5, 1), QTime(9, 30));
        QCOMPARE(log.recentLines(since, 10),
                 (QStringList{"2024-05-01 10:00:00 [engine] first kept", "continuation after",
                              "2024-05-01 11:00:00 [engine] second", "2024-05-01 12:00:00 [engine] third"}));
        QCOMPARE(log.recentLines(since, 2),
                 (QStringList{"2024-05-01 11:00:00 [engine] second", "2024-05-01 12:00:00 [engine] third"}));
        QVERIFY(log.recentLines(QDateTime(QDate(2025, 1, 1), QTime(0, 0)), 10).isEmpty());
        // A continuation line before the first qualifying line is dropped.
        writeFile(log.previousFile(), "orphan continuation\n");
        QCOMPARE(log.recentLines(since, 10).first(), "2024-05-01 11:00:00 [engine] second");
    }

    // Every line from several threads arrives once, each thread's in order.
    void nothingLostUnderLoad()
    {
        EventLog log(m_folder, qint64(1) << 40);
        constexpr int kThreads = 4;
        constexpr int kLines = 5000;
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&log, t] {
                for (int i = 0; i < kLines; ++i)
                    log.log(QString("t%1 line %2").arg(t).arg(i));
            });
        for (auto& thread : threads)
            thread.join();
        log.flush();

        const QStringList lines = readLines(log.currentFile());
        QCOMPARE(lines.size(), kThreads * kLines);
        QHash<int, int> next;  // thread → next expected line number
        for (const QString& line : lines) {
            const QStringList words = line.mid(29).split(' ');  // after "… [engine] "
            QCOMPARE(words.size(), 3);
            QCOMPARE(words[2].toInt(), next[words[0].mid(1).toInt()]++);
        }
        for (int t = 0; t < kThreads; ++t)
            QCOMPARE(next[t], kLines);
    }
};

QTEST_GUILESS_MAIN(TestEventLog)
#include "tst_EventLog.moc"
