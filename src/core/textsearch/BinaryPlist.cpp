#include "core/textsearch/BinaryPlist.h"

#include <QtEndian>

namespace {

constexpr char kMagic[] = "bplist00";
constexpr int kMagicSize = 8;
constexpr int kTrailerSize = 32;

int bytesFor(quint64 value)
{
    if (value <= 0xff)
        return 1;
    if (value <= 0xffff)
        return 2;
    if (value <= 0xffffffffULL)
        return 4;
    return 8;
}

void appendBigEndian(QByteArray& out, quint64 value, int size)
{
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xff));
}

// Object marker with a 4-bit count, or 0xF and a following integer object.
void appendMarker(QByteArray& out, quint8 type, quint64 count)
{
    if (count < 15) {
        out.append(char(type | count));
        return;
    }
    out.append(char(type | 0x0f));
    const int size = bytesFor(count);
    const quint8 power = size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : 3;
    out.append(char(0x10 | power));
    appendBigEndian(out, count, size);
}

std::optional<quint64> readBigEndian(const QByteArray& data, qsizetype at, int size)
{
    if (size < 1 || size > 8 || at < 0 || at + size > data.size())
        return std::nullopt;
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | quint8(data.at(at + i));
    return value;
}

}  // namespace

QByteArray BinaryPlist::encodeString(const QString& text)
{
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    QByteArray out(kMagic, kMagicSize);
    const qsizetype objectOffset = out.size();
    if (ascii) {
        appendMarker(out, 0x50, quint64(text.size()));
        out.append(text.toLatin1());
    } else {
        appendMarker(out, 0x60, quint64(text.size()));  // count of UTF-16 units
        for (QChar c : text)
            appendBigEndian(out, c.unicode(), 2);
    }
    const quint64 offsetTableOffset = quint64(out.size());
    const int offsetSize = bytesFor(offsetTableOffset);
    appendBigEndian(out, quint64(objectOffset), offsetSize);

    out.append(QByteArray(6, '\0'));  // unused, sort version
    out.append(char(offsetSize));
    out.append(char(1));              // object reference size
    appendBigEndian(out, 1, 8);       // number of objects
    appendBigEndian(out, 0, 8);       // root object
    appendBigEndian(out, offsetTableOffset, 8);
    return out;
}

std::optional<QString> BinaryPlist::decodeString(const QByteArray& data)
{
    if (data.size() < kMagicSize + 1 + kTrailerSize || !data.startsWith(QByteArray(kMagic, kMagicSize)))
        return std::nullopt;
    const qsizetype trailer = data.size() - kTrailerSize;
    const int offsetSize = quint8(data.at(trailer + 6));
    const auto objects = readBigEndian(data, trailer + 8, 8);
    const auto root = readBigEndian(data, trailer + 16, 8);
    const auto tableOffset = readBigEndian(data, trailer + 24, 8);
    if (!objects || !root || !tableOffset || *root >= *objects || *tableOffset > quint64(trailer))
        return std::nullopt;
    const auto objectOffset = readBigEndian(data, qsizetype(*tableOffset + *root * quint64(offsetSize)), offsetSize);
    if (!objectOffset || *objectOffset < kMagicSize || *objectOffset >= quint64(trailer))
        return std::nullopt;

    qsizetype at = qsizetype(*objectOffset);
    const quint8 marker = quint8(data.at(at++));
    const quint8 type = marker & 0xf0;
    if (type != 0x50 && type != 0x60)
        return std::nullopt;
    quint64 count = marker & 0x0f;
    if (count == 0x0f) {
        if (at >= trailer)
            return std::nullopt;
        const quint8 intMarker = quint8(data.at(at++));
        if ((intMarker & 0xf0) != 0x10 || (intMarker & 0x0f) > 3)
            return std::nullopt;
        const int size = 1 << (intMarker & 0x0f);
        const auto value = readBigEndian(data, at, size);
        if (!value)
            return std::nullopt;
        count = *value;
        at += size;
    }
    const quint64 bytes = type == 0x50 ? count : count * 2;
    if (count > quint64(trailer) || quint64(at) + bytes > quint64(trailer))
        return std::nullopt;
    if (type == 0x50)
        return QString::fromLatin1(data.constData() + at, qsizetype(count));
    QString text(qsizetype(count), Qt::Uninitialized);
    for (quint64 i = 0; i < count; ++i)
        text[qsizetype(i)] = QChar(qFromBigEndian<quint16>(data.constData() + at + 2 * i));
    return text;
}
