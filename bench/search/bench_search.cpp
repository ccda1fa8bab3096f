// The search index against reading the attributes: a library of synthetic
// screenshots (empty files whose text attribute holds about 300 words drawn
// from a Zipf-distributed vocabulary) on a scratch folder (tmpfs by default).
// Measures the time to build the index from scratch against the time the
// attribute scan takes to read the same texts, the index's size against the
// raw text, and query latency (p50/p95) for one word, two words, a prefix
// and a phrase, against the attribute scan `momentra search` used before the
// index and `grep -rl` over the same texts as plain files. See README.md.

#include "core/library/LibraryLayout.h"
#include "core/log/EventLog.h"
#include "core/search/AttributeScanSearch.h"
#include "core/search/SearchIndex.h"
#include "core/textsearch/TextMetadata.h"
#include "core/textsearch/TextSearchScan.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct Options
{
    QString parent = QStringLiteral("/dev/shm");
    int count = 20000;
    int words = 300;
    int vocabulary = 30000;
    int queries = 200;
    int scans = 1;            // attribute-scan and grep runs per query kind (0: none)
    bool dropCaches = false;  // before the read and the build: start cold (root only)
};

void say(const QString& text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

// Processor time of the whole process (every thread), which load from other
// processes does not inflate.
double cpuSeconds(int who = RUSAGE_SELF)
{
    struct rusage usage;
    ::getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Writes back and forgets the page cache, so the next read comes from the disk.
void dropCaches(const Options& options)
{
    if (!options.dropCaches)
        return;
    ::sync();
    QFile control(QStringLiteral("/proc/sys/vm/drop_caches"));
    if (!control.open(QIODevice::WriteOnly) || control.write("3\n") != 2)
        say(QStringLiteral("Cannot drop the page cache (not root?)"));
}

double seconds(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e9;
}

// Pronounceable words, all different: consonant-vowel syllables.
QStringList makeVocabulary(int size)
{
    static const char* const consonants[] = {"b", "d", "f", "g", "k", "l", "m", "n", "p", "r", "s", "t", "v", "z"};
    static const char* const vowels[] = {"a", "e", "i", "o", "u", "ai", "ou"};
    QStringList words;
    for (int n = 0; words.size() < size; ++n) {
        QString word;
        for (int rest = n + 14 * 7; rest > 0; rest /= 98)
            word += QLatin1String(consonants[rest % 14]) + QLatin1String(vowels[(rest / 14) % 7]);
        words.append(word);
    }
    return words;
}

// Word ranks with probability proportional to 1 / rank.
class Zipf
{
public:
    Zipf(int size, std::mt19937& random)
        : m_random(random)
    {
        double sum = 0;
        for (int rank = 1; rank <= size; ++rank)
            m_cumulative.push_back(sum += 1.0 / rank);
    }
    int next()
    {
        const double x = std::uniform_real_distribution<double>(0, m_cumulative.back())(m_random);
        return int(std::lower_bound(m_cumulative.begin(), m_cumulative.end(), x) - m_cumulative.begin());
    }

private:
    std::mt19937& m_random;
    std::vector<double> m_cumulative;
};

struct Library
{
    QString folder;        // screenshots with text attributes
    QString plainFolder;   // the same texts as .txt files
    qint64 textBytes = 0;  // UTF-8
    QStringList someTexts;
};

bool makeLibrary(const Options& options, const QStringList& vocabulary, Zipf& zipf, Library& library)
{
    const QDateTime start(QDate(2025, 1, 1), QTime(0, 0));
    for (int i = 0; i < options.count; ++i) {
        const QDateTime at = start.addSecs(qint64(i) * 60);
        QStringList words;
        for (int w = 0; w < options.words; ++w)
            words.append(vocabulary[zipf.next()]);
        const QString text = words.join(QLatin1Char(' '));
        const QString day = LibraryLayout::dayFolderName(at);
        const QString path = library.folder + QLatin1Char('/') + day + QLatin1Char('/')
                             + LibraryLayout::screenshotFileName(at, 1, ScreenshotFormat::Jpeg);
        if (at.time() == QTime(0, 0) || i == 0) {
            QDir().mkpath(library.folder + QLatin1Char('/') + day);
            QDir().mkpath(library.plainFolder + QLatin1Char('/') + day);
        }
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        ::close(fd);
        if (!TextMetadata::write(text, path, TextRecognitionLevel::Accurate).ok())
            return false;
        QFile plain(library.plainFolder + QLatin1Char('/') + day + QLatin1Char('/') + QString::number(i) + ".txt");
        const QByteArray utf8 = text.toUtf8();
        if (!plain.open(QIODevice::WriteOnly) || plain.write(utf8) != utf8.size())
            return false;
        library.textBytes += utf8.size();
        if (library.someTexts.size() < 1000 && i % qMax(1, options.count / 1000) == 0)
            library.someTexts.append(text);
        if ((i + 1) % 100000 == 0)
            say(QStringLiteral("  %1 screenshots written").arg(i + 1));
    }
    return true;
}

qint64 sizeOnDisk(const QString& databasePath)
{
    qint64 size = 0;
    for (const QString& suffix : {QString(), QStringLiteral("-wal")})
        size += QFileInfo(databasePath + suffix).size();
    return size;
}

double threadCpuMs()
{
    struct timespec now;
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct Latency
{
    double p50 = 0, p95 = 0;        // wall clock, ms
    double cpuP50 = 0, cpuP95 = 0;  // processor time of the querying thread, ms
    double hitsPerQuery = 0;
};

double percentile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(q * double(values.size())))];
}

// Queries run on the calling thread, so its processor time is the query's
// cost whatever else the machine is doing.
Latency measure(SearchIndex& index, const QStringList& queries)
{
    std::vector<double> times, cpu;
    qint64 hits = 0;
    for (const QString& text : queries) {
        QElapsedTimer clock;
        clock.start();
        const double cpuStart = threadCpuMs();
        const std::optional<QList<SearchHit>> found = index.search({text});
        cpu.push_back(threadCpuMs() - cpuStart);
        times.push_back(seconds(clock) * 1000);
        hits += found ? found->size() : 0;
    }
    return {percentile(times, 0.5), percentile(times, 0.95), percentile(cpu, 0.5), percentile(cpu, 0.95),
            double(hits) / double(queries.size())};
}

double grepSeconds(const QString& folder, const QString& word)
{
    QElapsedTimer clock;
    clock.start();
    QProcess grep;
    grep.setStandardOutputFile(QProcess::nullDevice());
    grep.start(QStringLiteral("grep"), {QStringLiteral("-rlw"), word, folder});
    grep.waitForFinished(-1);
    return seconds(clock);
}

Options parse(const QStringList& arguments)
{
    Options options;
    for (int i = 1; i < arguments.size(); i += 2) {
        const QString& name = arguments[i];
        if (name == QLatin1String("--drop-caches")) {
            options.dropCaches = true;
            --i;
            continue;
        }
        if (i + 1 >= arguments.size())
            break;
        const QString& value = arguments[i + 1];
        if (name == QLatin1String("--count"))
            options.count = value.toInt();
        else if (name == QLatin1String("--parent"))
            options.parent = value;
        else if (name == QLatin1String("--queries"))
            options.queries = value.toInt();
        else if (name == QLatin1String("--scans"))
            options.scans = value.toInt();
    }
    return options;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const Options options = parse(app.arguments());
    QTemporaryDir scratch(options.parent + QStringLiteral("/momentra-bench-search-XXXXXX"));
    if (!scratch.isValid()) {
        say(QStringLiteral("Cannot make a scratch folder in %1").arg(options.parent));
        return 1;
    }
    std::mt19937 random(20261206);
    const QStringList vocabulary = makeVocabulary(options.vocabulary);
    Zipf zipf(options.vocabulary, random);
    Library library{scratch.path() + QStringLiteral("/Momentra"), scratch.path() + QStringLiteral("/plain")};
    say(QStringLiteral("Writing %1 screenshots of %2 words (vocabulary %3, Zipf) into %4")
            .arg(options.count)
            .arg(options.words)
            .arg(options.vocabulary)
            .arg(options.parent));
    if (!makeLibrary(options, vocabulary, zipf, library)) {
        say(QStringLiteral("Cannot write the library (does %1 keep user extended attributes?)").arg(options.parent));
        return 1;
    }

    // What the attribute scan reads: every screenshot's text attribute.
    dropCaches(options);
    QElapsedTimer clock;
    clock.start();
    double cpu = cpuSeconds();
    qint64 readBytes = 0;
    for (const TextSearchScan::StoredText& file : TextSearchScan::storedTexts(library.folder))
        readBytes += TextMetadata::readText(file.path).value_or(QString()).size();
    const double scanRead = seconds(clock);
    const double scanReadCpu = cpuSeconds() - cpu;
    say(QStringLiteral("Attribute scan, reading every text: %1 s, %2 s of processor time (%3 characters)")
            .arg(scanRead, 0, 'f', 2)
            .arg(scanReadCpu, 0, 'f', 2)
            .arg(readBytes));

    EventLog log(scratch.path() + QStringLiteral("/log"));
    const QString databasePath = scratch.path() + QStringLiteral("/search.sqlite");
    double build = 0, buildCpu = 0;
    {
        dropCaches(options);
        SearchIndex index(databasePath, log);
        clock.restart();
        cpu = cpuSeconds();
        index.reconcile(library.folder);
        index.waitUntilIdle();
        build = seconds(clock);
        buildCpu = cpuSeconds() - cpu;
    }
    const qint64 size = sizeOnDisk(databasePath);
    say(QStringLiteral("Index built from scratch: %1 s, %2 s of processor time; %3 × the attribute scan's read "
                       "time")
            .arg(build, 0, 'f', 2)
            .arg(buildCpu, 0, 'f', 2)
            .arg(build / scanRead, 0, 'f', 2));
    say(QStringLiteral("Index size: %1 MB for %2 MB of text (%3 ×)")
            .arg(double(size) / 1e6, 0, 'f', 1)
            .arg(double(library.textBytes) / 1e6, 0, 'f', 1)
            .arg(double(size) / double(library.textBytes), 0, 'f', 2));

    // Queries: words drawn as the texts draw them, phrases from the texts.
    QStringList oneWord, wholeWord, twoWords, prefix, phrase;
    for (int i = 0; i < options.queries; ++i) {
        const QString a = vocabulary[zipf.next()], b = vocabulary[zipf.next()];
        oneWord.append(a);
        wholeWord.append(QLatin1Char('"') + a + QLatin1Char('"'));
        twoWords.append(a + QLatin1Char(' ') + b);
        prefix.append(a.left(3));
        const QStringList words = library.someTexts[i % library.someTexts.size()].split(QLatin1Char(' '));
        const int at = int(random() % uint(words.size() - 1));
        phrase.append(QStringLiteral("\"%1 %2\"").arg(words[at], words[at + 1]));
    }
    SearchIndex index(databasePath, log);
    index.search({oneWord.first()});  // opens the file once, as a running search window has
    AttributeScanSearch scan(library.folder);
    const QList<std::pair<QString, QStringList>> kinds{{QStringLiteral("one word"), oneWord},
                                                       {QStringLiteral("one whole word"), wholeWord},
                                                       {QStringLiteral("two words"), twoWords},
                                                       {QStringLiteral("a prefix"), prefix},
                                                       {QStringLiteral("a phrase"), phrase}};
    say(QStringLiteral("Query latency over %1 queries each (50 hits at most):").arg(options.queries));
    for (const auto& [name, queries] : kinds) {
        const Latency latency = measure(index, queries);
        double scanTime = 0, grepTime = 0, scanCpu = 0, grepCpu = 0;
        for (int i = 0; i < options.scans; ++i) {
            clock.restart();
            cpu = cpuSeconds();
            scan.search({queries[i], {}, {}, {}, std::numeric_limits<int>::max()});
            scanTime += seconds(clock);
            scanCpu += cpuSeconds() - cpu;
            cpu = cpuSeconds(RUSAGE_CHILDREN);
            grepTime += grepSeconds(library.plainFolder, queries[i].split(QLatin1Char(' ')).first().remove('"'));
            grepCpu += cpuSeconds(RUSAGE_CHILDREN) - cpu;
        }
        if (options.scans == 0) {
            say(QStringLiteral("  %1: index p50 %2 ms, p95 %3 ms (processor %4 / %5 ms; %6 hits on average)")
                    .arg(name, -14)
                    .arg(latency.p50, 0, 'f', 2)
                    .arg(latency.p95, 0, 'f', 2)
                    .arg(latency.cpuP50, 0, 'f', 2)
                    .arg(latency.cpuP95, 0, 'f', 2)
                    .arg(latency.hitsPerQuery, 0, 'f', 1));
            continue;
        }
        say(QStringLiteral("  %1: index p50 %2 ms, p95 %3 ms (processor %4 / %5 ms; %6 hits on average); "
                           "attribute scan %7 s (processor %8 s); grep -rlw (first word) %9 s (processor %10 s)")
                .arg(name, -14)
                .arg(latency.p50, 0, 'f', 2)
                .arg(latency.p95, 0, 'f', 2)
                .arg(latency.cpuP50, 0, 'f', 2)
                .arg(latency.cpuP95, 0, 'f', 2)
                .arg(latency.hitsPerQuery, 0, 'f', 1)
                .arg(scanTime / options.scans, 0, 'f', 2)
                .arg(scanCpu / options.scans, 0, 'f', 2)
                .arg(grepTime / options.scans, 0, 'f', 2)
                .arg(grepCpu / options.scans, 0, 'f', 2));
    }
    return 0;
}
