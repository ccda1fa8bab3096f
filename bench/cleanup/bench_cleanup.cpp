// Cleanup speed against the tools a user would reach for:
//  1. permanent removal of a whole library (days × files) by a sweep,
//     against `find DIR -name 'Momentra_*' -type f -delete` on an equal tree;
//  2. moving files to the Trash by a sweep, against `gio trash`.
// Prints the times and the ratios. See README.md.

#include "core/StopFlag.h"
#include "core/cleanup/CleanupSweeper.h"
#include "core/library/LibraryLayout.h"
#include "platform/linux/FreedesktopTrash.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct Options
{
    QString parent = QDir::tempPath();
    int days = 100;
    int files = 1000;
    int trashFiles = 10000;
    int fileBytes = 4096;
    bool dropCaches = false;
    bool sweepFirst = false;
    int inodeWait = 61;
};

void say(const QString& text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

// days × files own screenshots of fileBytes each, one folder per day.
bool makeLibrary(const QString& root, int days, int files, int fileBytes)
{
    const QByteArray content(fileBytes, 'x');
    const QDateTime start(QDate(2023, 1, 1), QTime(8, 0));
    for (int d = 0; d < days; ++d) {
        const QDateTime day = start.addDays(d);
        const QString folder = root + QLatin1Char('/') + LibraryLayout::dayFolderName(day);
        if (!QDir().mkpath(folder))
            return false;
        for (int f = 0; f < files; ++f) {
            const QString name = LibraryLayout::screenshotFileName(day.addSecs(f * 10), 1 + f % 2,
                                                                   ScreenshotFormat::Jpeg);
            const int fd = ::open(QFile::encodeName(folder + QLatin1Char('/') + name).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0)
                return false;
            const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size();
            ::close(fd);
            if (!ok)
                return false;
        }
    }
    return true;
}

void settle(const Options& options)
{
    ::sync();
    if (options.dropCaches) {
        QFile drop(QStringLiteral("/proc/sys/vm/drop_caches"));
        if (drop.open(QIODevice::WriteOnly))
            drop.write("3\n");
    }
}

// ext4 keeps an inode freed less than 60 s ago (after a sync) out of reuse, and every
// create meanwhile walks past those inodes one by one. Each Trash run creates
// an info file per item and gio trash also frees one (its placeholder),
// so whichever side ran second would pay for the first one's deletions.
// Waiting that window out gives both sides the same file system.
void waitOutRecentDeletions(const Options& options)
{
    if (options.inodeWait <= 0)
        return;
    say(QStringLiteral("Waiting %1 s for freed inodes to become reusable…").arg(options.inodeWait));
    QThread::sleep(static_cast<unsigned long>(options.inodeWait));
}

double seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

int countFiles(const QString& root)
{
    int count = 0;
    for (const QString& day : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        count += int(QDir(root + QLatin1Char('/') + day).entryList(QDir::Files).size());
    return count;
}

double runProcess(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    process.waitForFinished(-1);
    const double elapsed = seconds(timer);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString firstError =
            QString::fromLocal8Bit(process.readAllStandardError()).section(QLatin1Char('\n'), 0, 0);
        say(QStringLiteral("warning: %1 exited with %2: %3").arg(program).arg(process.exitCode()).arg(firstError));
    }
    return elapsed;
}

bool parse(const QStringList& arguments, Options* options)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        const QString next = i + 1 < arguments.size() ? arguments[i + 1] : QString();
        if (a == QLatin1String("--dir"))
            options->parent = next, ++i;
        else if (a == QLatin1String("--days"))
            options->days = next.toInt(), ++i;
        else if (a == QLatin1String("--files"))
            options->files = next.toInt(), ++i;
        else if (a == QLatin1String("--trash-files"))
            options->trashFiles = next.toInt(), ++i;
        else if (a == QLatin1String("--file-bytes"))
            options->fileBytes = next.toInt(), ++i;
        else if (a == QLatin1String("--drop-caches"))
            options->dropCaches = true;
        else if (a == QLatin1String("--sweep-first"))
            options->sweepFirst = true;
        else if (a == QLatin1String("--inode-wait"))
            options->inodeWait = next.toInt(), ++i;
        else
            return false;
    }
    return options->days > 0 && options->files > 0 && options->trashFiles >= 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Options options;
    if (!parse(app.arguments(), &options)) {
        say(QStringLiteral("usage: bench_cleanup [--dir PARENT] [--days 100] [--files 1000] [--trash-files 10000] "
                           "[--file-bytes 4096] [--drop-caches] [--sweep-first] [--inode-wait 61]"));
        return 2;
    }
    const QString find = QStandardPaths::findExecutable(QStringLiteral("find"));
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (find.isEmpty() || gio.isEmpty()) {
        say(QStringLiteral("needs find (findutils) and gio (libglib2.0-bin)"));
        return 1;
    }
    QTemporaryDir work(options.parent + QStringLiteral("/momentra-bench-cleanup-XXXXXX"));
    if (!work.isValid()) {
        say(QStringLiteral("cannot create a folder in %1").arg(options.parent));
        return 1;
    }
    const int total = options.days * options.files;
    say(QStringLiteral("Working in %1").arg(work.path()));

    // 1. Permanent removal of the whole library.
    const QString findTree = work.path() + QStringLiteral("/find");
    const QString sweepTree = work.path() + QStringLiteral("/sweep");
    say(QStringLiteral("Creating 2 libraries of %1 day folders × %2 files (%3 bytes each)…")
            .arg(options.days)
            .arg(options.files)
            .arg(options.fileBytes));
    if (!makeLibrary(findTree, options.days, options.files, options.fileBytes)
        || !makeLibrary(sweepTree, options.days, options.files, options.fileBytes)) {
        say(QStringLiteral("creating the libraries failed"));
        return 1;
    }
    settle(options);
    const StopFlag stop;
    QElapsedTimer timer;
    double findSeconds = 0;
    double sweepSeconds = 0;
    std::optional<SweepResult> deleted;
    auto runFind = [&] {
        findSeconds = runProcess(find, {findTree, QStringLiteral("-name"), QStringLiteral("Momentra_*"),
                                        QStringLiteral("-type"), QStringLiteral("f"), QStringLiteral("-delete")});
        settle(options);
    };
    auto runSweep = [&] {
        const CleanupSweeper deleter(nullptr);
        timer.start();
        deleted = deleter.sweep(sweepTree, 0, true, stop, QDateTime::currentDateTime().addSecs(1));
        sweepSeconds = seconds(timer);
        settle(options);
    };
    if (options.sweepFirst) {
        runSweep();
        runFind();
    } else {
        runFind();
        runSweep();
    }
    const int findLeft = countFiles(findTree);
    if (!deleted || deleted->trashed != total || findLeft != 0) {
        say(QStringLiteral("unexpected result: sweep removed %1 of %2, find left %3")
                .arg(deleted ? deleted->trashed : -1)
                .arg(total)
                .arg(findLeft));
        return 1;
    }
    say(QStringLiteral("Permanent, %1 files: find -delete %2 s, sweep %3 s, sweep/find = %4 (target at most 1.3)")
            .arg(total)
            .arg(findSeconds, 0, 'f', 2)
            .arg(sweepSeconds, 0, 'f', 2)
            .arg(sweepSeconds / findSeconds, 0, 'f', 2));

    if (options.trashFiles == 0)
        return 0;

    // 2. Moving files to the Trash. Each side gets its own home Trash on the
    // same device as its files, as a user's would be.
    const int trashDays = std::max(1, options.trashFiles / 1000);
    const int perDay = options.trashFiles / trashDays;
    const int trashTotal = trashDays * perDay;
    const QString gioTree = work.path() + QStringLiteral("/gio");
    const QString ourTree = work.path() + QStringLiteral("/ours");
    say(QStringLiteral("Creating 2 libraries of %1 files for the Trash…").arg(trashTotal));
    if (!makeLibrary(gioTree, trashDays, perDay, options.fileBytes)
        || !makeLibrary(ourTree, trashDays, perDay, options.fileBytes)) {
        say(QStringLiteral("creating the libraries failed"));
        return 1;
    }
    settle(options);
    waitOutRecentDeletions(options);
    QStringList paths;
    for (const QString& day : QDir(gioTree).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        for (const QString& name : QDir(gioTree + QLatin1Char('/') + day).entryList(QDir::Files, QDir::Name))
            paths << gioTree + QLatin1Char('/') + day + QLatin1Char('/') + name;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), work.path() + QStringLiteral("/gio-data"));
    environment.insert(QStringLiteral("GIO_USE_VFS"), QStringLiteral("local"));  // no session bus needed
    double gioSeconds = 0;
    constexpr int kArgumentsPerRun = 2000;  // like xargs: few processes, within ARG_MAX
    for (qsizetype i = 0; i < paths.size(); i += kArgumentsPerRun)
        gioSeconds += runProcess(gio, QStringList{QStringLiteral("trash")} + paths.mid(i, kArgumentsPerRun),
                                 environment);
    const int gioLeft = countFiles(gioTree);
    settle(options);
    waitOutRecentDeletions(options);

    const CleanupSweeper trasher(std::make_shared<FreedesktopTrash>(work.path() + QStringLiteral("/our-data/Trash")));
    timer.restart();
    const auto trashed = trasher.sweep(ourTree, 0, false, stop, QDateTime::currentDateTime().addSecs(1));
    const double ourSeconds = seconds(timer);
    const int inOurTrash = int(
        QDir(work.path() + QStringLiteral("/our-data/Trash/files")).entryList(QDir::Files).size());
    if (!trashed || trashed->trashed != trashTotal || inOurTrash != trashTotal) {
        say(QStringLiteral("unexpected result: sweep trashed %1 of %2 (%3 in the Trash)")
                .arg(trashed ? trashed->trashed : -1)
                .arg(trashTotal)
                .arg(inOurTrash));
        return 1;
    }
    if (gioLeft != 0) {
        say(QStringLiteral("Trash, %1 files: sweep %2 s; gio trash left %3 files, no ratio")
                .arg(trashTotal)
                .arg(ourSeconds, 0, 'f', 2)
                .arg(gioLeft));
        return 1;
    }
    say(QStringLiteral("Trash, %1 files: gio trash %2 s, sweep %3 s, gio/sweep = %4 (target at least 5)")
            .arg(trashTotal)
            .arg(gioSeconds, 0, 'f', 2)
            .arg(ourSeconds, 0, 'f', 2)
            .arg(gioSeconds / ourSeconds, 0, 'f', 1));
    return 0;
}
