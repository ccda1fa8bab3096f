#include "support/FakeScreenshotSearch.h"
#include "support/core/TestCodec.h"
#include "support/core/TestHome.h"
#include "ui/search/ScreenshotOpener.h"
#include "ui/search/SearchResultDelegate.h"
#include "ui/search/SearchWindow.h"
#include "ui/search/ThumbnailCache.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QTest>

#include <utime.h>

constexpr QFile::Permissions kReadWrite = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;

struct RecordingOpener : ScreenshotOpener
{
    void open(const QString& path) override { opened.append(path); }
    void showInFileManager(const QString& path) override { revealed.append(path); }
    QStringList opened;
    QStringList revealed;
};

// The search window as a user drives it, and the thumbnail cache it shares with file managers.
class SearchWindowTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    TestCodec m_codec;
    ThumbnailCache m_cache{m_codec};

    QString screenshot(const QString& name, int width = 640, int height = 400)
    {
        const QString path = m_home.picturesFolder() + "/2024-05-01/" + name;
        return TestCodec::writeFile(path, width, height) ? path : QString();
    }
    // A screenshot as Momentra writes JPEG and PNG, which Qt's readers decode.
    QString encodedScreenshot(const QString& name, int width, int height)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString path = m_home.picturesFolder() + "/2024-05-01/" + name;
        return QDir().mkpath(QFileInfo(path).path()) && image.save(path) ? path : QString();
    }
    static void setModified(const QString& path, time_t seconds)
    {
        const utimbuf times{seconds, seconds};
        QCOMPARE(::utime(QFile::encodeName(path).constData(), &times), 0);
    }

private Q_SLOTS:
    void thumbnailNames_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<ThumbnailCache::Size>("size");
        QTest::addColumn<QString>("thumbnail");
        // The first is the thumbnail specification's own example.
        QTest::newRow("normal") << "/home/jens/photos/me.png" << ThumbnailCache::Size::Normal
                                << "/thumbnails/normal/c6ee772d9e49320e97ec29a7eb5b1697.png";
        QTest::newRow("large, escaped") << "/tmp/a b#c.png" << ThumbnailCache::Size::Large
                                        << "/thumbnails/large/c46e503bb69394b6f762e072cc4a6994.png";
    }
    void thumbnailNames()
    {
        QFETCH(QString, file);
        QFETCH(ThumbnailCache::Size, size);
        QFETCH(QString, thumbnail);
        QCOMPARE(m_cache.thumbnailPath(file, size), m_home.path() + "/cache" + thumbnail);
    }

    void thumbnails_data()
    {
        QTest::addColumn<QString>("name");  // a .png of the test codec, else one Qt reads
        QTest::addColumn<ThumbnailCache::Size>("size");
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QSize>("expected");
        const QString codec = "Momentra_2024-05-01_09-00-00.png";
        QTest::newRow("normal") << codec << ThumbnailCache::Size::Normal << QSize(640, 400) << QSize(128, 80);
        QTest::newRow("large, tall") << codec << ThumbnailCache::Size::Large << QSize(300, 600) << QSize(128, 256);
        QTest::newRow("small stays small") << codec << ThumbnailCache::Size::Normal << QSize(100, 50) << QSize(100, 50);
        QTest::newRow("JPEG, read reduced") << "Momentra_2024-05-01_09-00-00.jpg" << ThumbnailCache::Size::Large
                                            << QSize(1920, 1080) << QSize(256, 144);
        QTest::newRow("PNG, tall") << "Momentra_2024-05-01_09-00-00_Display2.png" << ThumbnailCache::Size::Normal
                                   << QSize(1080, 1920) << QSize(72, 128);
    }
    // Made once, read back while current, made again when the file changed.
    void thumbnails()
    {
        QFETCH(QString, name);
        QFETCH(ThumbnailCache::Size, size);
        QFETCH(QSize, image);
        QFETCH(QSize, expected);
        const QString file = name.contains("_09-00-00.png") ? screenshot(name, image.width(), image.height())
                                                            : encodedScreenshot(name, image.width(), image.height());
        setModified(file, 1'700'000'000);
        QVERIFY(!m_cache.cached(file, size));
        const Result<QString> made = m_cache.thumbnailFile(file, size);
        QVERIFY2(made.ok(), qPrintable(made.error()));

        const QImage stored(made.value());
        QCOMPARE(stored.text("Thumb::URI"), QUrl::fromLocalFile(file).toString());
        QCOMPARE(stored.text("Thumb::MTime"), QStringLiteral("1700000000"));
        QCOMPARE(stored.size(), expected);
        QCOMPARE(QFileInfo(made.value()).permissions(), kReadWrite);
        QCOMPARE(QFileInfo(m_cache.folder(size)).permissions(), kReadWrite | QFile::ExeOwner | QFile::ExeUser);
        QVERIFY(QDir(m_cache.folder(size)).entryList({".momentra-*"}, QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY(m_cache.cached(file, size));

        setModified(file, 1'700'000'060);
        QVERIFY(!m_cache.cached(file, size));
        QVERIFY(m_cache.thumbnail(file, size).ok());
        QCOMPARE(QImage(made.value()).text("Thumb::MTime"), QStringLiteral("1700000060"));
        QVERIFY(QFile::remove(file));
        QVERIFY(!m_cache.cached(file, size));
    }

    void brokenImageHasNoThumbnail()
    {
        const QString file = m_home.picturesFolder() + "/2024-05-01/Momentra_2024-05-01_10-00-00.png";
        QVERIFY(TestCodec::writeNonImage(file));
        QVERIFY(!m_cache.thumbnail(file, ThumbnailCache::Size::Normal).ok());
        QVERIFY(!QFileInfo::exists(m_cache.thumbnailPath(file, ThumbnailCache::Size::Normal)));
    }

    // Typing searches once the user pauses; Enter opens, the arrows move, the context action reveals.
    void typeFindOpen()
    {
        const QString newer = screenshot("Momentra_2024-05-01_18-30-00.png");
        const QString older = m_home.picturesFolder() + "/2024-05-01/Momentra_2024-05-01_09-00-00.png";
        QVERIFY(TestCodec::writeNonImage(older));
        FakeScreenshotSearch search({
            {newer, QDateTime({2024, 5, 1}, {18, 30}), 1, "\x02Invoice\x03 for <London>"},
            {older, QDateTime({2024, 5, 1}, {9, 0}), 1, "Quarterly \x02invoice\x03"},
            {"/elsewhere/x.png", QDateTime({2024, 5, 1}, {8, 0}), 1, "Garden"},
        });
        RecordingOpener opener;
        SearchWindow window(search, m_cache, opener);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.field()->accessibleName(), window.field()->placeholderText());

        QSignalSpy shown(&window, &SearchWindow::resultsShown);
        QTest::keyClicks(window.field(), "invoice");
        QVERIFY(shown.wait());
        QCOMPARE(search.queries(), QStringList{"invoice"});  // one query for the whole word
        QAbstractItemModel& model = *window.results()->model();
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(window.resultPath(0), newer);
        QCOMPARE(model.index(0, 0).data(SearchResultDelegate::kSnippetHtmlRole).toString(),
                 QStringLiteral("<b>Invoice</b> for &lt;London&gt;"));
        QVERIFY(window.stateLabel()->isHidden());
        // The readable image gets its thumbnail; the broken one a placeholder of another size.
        QTRY_VERIFY(
            model.index(0, 0).data(Qt::DecorationRole).value<QIcon>().availableSizes().contains(QSize(256, 160)));

        QTest::keyClick(window.field(), Qt::Key_Return);
        QTest::keyClick(window.field(), Qt::Key_Down);
        QVERIFY(window.results()->hasFocus());
        QTest::keyClick(window.results(), Qt::Key_Right);
        QTest::keyClick(window.results(), Qt::Key_Return);
        QCOMPARE(opener.opened, (QStringList{newer, older}));
        window.results()->findChild<QAction*>("showInFileManager")->trigger();
        QCOMPARE(opener.revealed, QStringList{older});
    }

    void statesWithoutResults_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("state");
        QTest::newRow("nothing found") << "zebra" << QString::fromUtf8("No screenshot shows “zebra”.");
        QTest::newRow("no answer") << "?"
                                   << "The screenshots cannot be searched right now. Try again in a moment.";
        QTest::newRow("field cleared") << ""
                                       << "Type words that were on screen to find the screenshots that showed them.";
    }
    void statesWithoutResults()
    {
        QFETCH(QString, typed);
        QFETCH(QString, state);
        FakeScreenshotSearch search(
            {{screenshot("Momentra_2024-05-01_11-00-00.png"), QDateTime::currentDateTime(), 1, "invoice"}});
        RecordingOpener opener;
        SearchWindow window(search, m_cache, opener);
        window.show();
        QSignalSpy shown(&window, &SearchWindow::resultsShown);
        window.setQueryText("invoice");
        QVERIFY(shown.wait());
        QVERIFY(!window.results()->isHidden());
        window.setQueryText(typed);
        QTRY_COMPARE(window.stateLabel()->text(), state);
        QVERIFY(window.results()->isHidden());
        QVERIFY(!window.stateLabel()->isHidden());
        QTest::keyClick(window.field(), Qt::Key_Return);
        QVERIFY(opener.opened.isEmpty());
    }
};

QTEST_MAIN(SearchWindowTest)
#include "tst_SearchWindow.moc"
