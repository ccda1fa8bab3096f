#include "support/core/ScratchMount.h"

#include "core/textsearch/BinaryPlist.h"
#include "core/textsearch/TextCharacters.h"
#include "core/textsearch/TextMetadata.h"

#include <QtTest>

#include <sys/xattr.h>

namespace {

QString touch(const QString& folder, const QString& name = "Momentra_2024-05-01_10-00-00.png")
{
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("x");
    return path;
}

void setRaw(const QString& path, const char* name, const QByteArray& value)
{
    QVERIFY(::setxattr(QFile::encodeName(path).constData(), name, value.constData(), size_t(value.size()), 0) == 0);
}

QByteArray rawMarker(const QString& path)
{
    char buffer[64];
    const ssize_t size = ::getxattr(QFile::encodeName(path).constData(), TextMetadata::kMarkerAttribute, buffer,
                                    sizeof buffer);
    return size < 0 ? QByteArray() : QByteArray(buffer, size);
}

}  // namespace

class TestTextMetadata : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void plistRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("14 chars") << "abcdefghijklmn";
        QTest::newRow("15 chars, extended count") << "abcdefghijklmno";
        QTest::newRow("emoji, surrogate pairs") << "ok 👍🏽 done";
        QTest::newRow("long unicode, offsets past 255") << QString(2000, QChar(0x00e9));
    }

    void plistRoundTrip()
    {
        QFETCH(QString, text);
        QCOMPARE(BinaryPlist::decodeString(BinaryPlist::encodeString(text)), std::optional<QString>(text));
    }

    // The layout other systems' serialisers write and read; anything else is refused.
    void plistLayoutAndRefusals()
    {
        // What the platform's serialiser writes for the string "hi".
        const QByteArray expected = QByteArray("bplist00") + QByteArray::fromHex("526869")  // ASCII string, 2 chars
                                    + QByteArray::fromHex("08")                             // offset table
                                    + QByteArray(6, '\0') + QByteArray::fromHex("0101")     // sizes
                                    + QByteArray::fromHex("0000000000000001") + QByteArray(8, '\0')
                                    + QByteArray::fromHex("000000000000000b");
        QCOMPARE(BinaryPlist::encodeString("hi"), expected);
        // Non-ASCII text is UTF-16 big-endian, its count in UTF-16 units.
        const QByteArray unicode = BinaryPlist::encodeString("é");
        QCOMPARE(unicode.mid(8, 3), QByteArray::fromHex("6100e9"));

        QVERIFY(!BinaryPlist::decodeString(QByteArray()));
        QVERIFY(!BinaryPlist::decodeString("hello world, certainly not a property list at all"));
        QByteArray truncated = BinaryPlist::encodeString(QString(100, QLatin1Char('x')));
        truncated.remove(20, 60);
        QVERIFY(!BinaryPlist::decodeString(truncated));
        QByteArray integer = BinaryPlist::encodeString("a");
        integer[8] = char(0x10);  // an integer object, not a string
        QVERIFY(!BinaryPlist::decodeString(integer));
    }

    void charactersCountGraphemes()
    {
        const QString text = "e\u0301👍🏽ab";  // e + combining accent, thumbs up + skin tone
        QCOMPARE(TextCharacters::count(text), 4);
        QCOMPARE(TextCharacters::prefix(text, 2), "e\u0301👍🏽");
        QCOMPARE(TextCharacters::prefix(text, 10), text);
    }

    void markerClassification_data()
    {
        QTest::addColumn<QByteArray>("marker");  // empty: none set
        QTest::addColumn<bool>("withText");
        QTest::addColumn<int>("state");
        QTest::newRow("nothing") << QByteArray() << false << int(TextState::Unread);
        QTest::newRow("text from another program") << QByteArray() << true << int(TextState::Searchable);
        QTest::newRow("fast") << QByteArray("fast") << false << int(TextState::ReadWithFast);
        QTest::newRow("Fast capitalised") << QByteArray("Fast") << false << int(TextState::Searchable);
        QTest::newRow("foreign word") << QByteArray("ocr-v2") << false << int(TextState::Searchable);
        // Longer than 16 bytes: unreadable, so the text attribute decides.
        QTest::newRow("too long, no text") << QByteArray("fast-but-much-too-long") << false << int(TextState::Unread);
    }

    void markerClassification()
    {
        QFETCH(QByteArray, marker);
        QFETCH(bool, withText);
        QTemporaryDir dir;
        const QString path = touch(dir.path());
        if (!marker.isEmpty())
            setRaw(path, TextMetadata::kMarkerAttribute, marker);
        if (withText)
            setRaw(path, TextMetadata::kTextAttribute, BinaryPlist::encodeString("words"));
        QTEST(int(TextMetadata::textState(path)), "state");
    }

    // On tmpfs: an empty text still writes both attributes; the cap counts
    // characters, not bytes.
    void writeClassifyAndCapOnTmpfs()
    {
        ScratchMount tmpfs(ScratchMount::Kind::Tmpfs);
        QVERIFY2(tmpfs.isMounted(), qPrintable(tmpfs.error()));
        const QString path = touch(tmpfs.path());
        QVERIFY(TextMetadata::write(QString(), path, TextRecognitionLevel::Fast).ok());
        QCOMPARE(TextMetadata::readText(path), std::optional<QString>(QString()));
        QCOMPARE(rawMarker(path), QByteArray("fast"));
        QVERIFY(TextMetadata::write("Invoice 42\nTotal", path, TextRecognitionLevel::Accurate).ok());
        QCOMPARE(TextMetadata::readText(path), std::optional<QString>("Invoice 42\nTotal"));
        QCOMPARE(rawMarker(path), QByteArray("accurate"));
        QVERIFY(TextMetadata::write(QString(), path, std::nullopt).ok());
        QCOMPARE(rawMarker(path), QByteArray("none"));

        // 8000 characters of two UTF-16 units each (and four UTF-8 bytes) stay whole.
        const QString exact = QString("👍").repeated(8000);
        QVERIFY(TextMetadata::write(exact, path, TextRecognitionLevel::Accurate).ok());
        QCOMPARE(TextCharacters::count(*TextMetadata::readText(path)), 8000);
        QVERIFY(TextMetadata::write(exact + "é", path, TextRecognitionLevel::Accurate).ok());
        QCOMPARE(*TextMetadata::readText(path), exact);  // the 8001st character is dropped
    }

    // On ext4, whose attributes share 4 KiB: the longest prefix that fits is
    // kept; an immutable file fails without a marker.
    void oversizedAndImmutableOnExt4()
    {
        ScratchMount ext4(ScratchMount::Kind::Ext4Loop);
        QVERIFY2(ext4.isMounted(), qPrintable(ext4.error()));
        QString path = touch(ext4.path());
        // 6000 accented characters: 12 KiB as UTF-16, more than ext4's 4 KiB of attributes.
        QString text;
        for (int i = 0; i < 6000; ++i)
            text += i % 7 == 6 ? "\n" : "é";
        text += "👍";
        QVERIFY(TextMetadata::write(text, path, TextRecognitionLevel::Fast).ok());
        QCOMPARE(rawMarker(path), QByteArray("fast"));
        const std::optional<QString> stored = TextMetadata::readText(path);
        QVERIFY(stored);
        QVERIFY(text.startsWith(*stored));
        QVERIFY2(stored->size() > 1500, qPrintable(QString::number(stored->size())));
        // Longest: one more character no longer fits beside the marker.
        const QByteArray longer = BinaryPlist::encodeString(text.left(stored->size() + 1));
        QVERIFY(::setxattr(QFile::encodeName(path).constData(), TextMetadata::kTextAttribute, longer.constData(),
                           size_t(longer.size()), 0)
                != 0);

        // A pair of surrogates is never split: the prefix ends on a whole character.
        const QString emoji = touch(ext4.path(), "emoji.png");
        QVERIFY(TextMetadata::write(QString("👍").repeated(3000), emoji, TextRecognitionLevel::Accurate).ok());
        const QString storedThumbs = *TextMetadata::readText(emoji);
        QVERIFY(!storedThumbs.isEmpty() && !storedThumbs.back().isHighSurrogate());

        path = touch(ext4.path(), "immutable.png");
        // Root writes attributes even on read-only files; an immutable file refuses everyone.
        QVERIFY2(QProcess::execute("chattr", {"+i", path}) == 0, "chattr +i failed (Debian package e2fsprogs)");
        const Result<void> written = TextMetadata::write("text", path, TextRecognitionLevel::Fast);
        QProcess::execute("chattr", {"-i", path});
        QVERIFY(!written.ok());
        QVERIFY(written.error().contains(path));
        QVERIFY(rawMarker(path).isEmpty());
        QCOMPARE(TextMetadata::textState(path), TextState::Unread);
    }
};

QTEST_GUILESS_MAIN(TestTextMetadata)
#include "tst_TextMetadata.moc"
