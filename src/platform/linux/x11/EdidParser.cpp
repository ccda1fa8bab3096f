#include "platform/linux/x11/EdidParser.h"

namespace {
constexpr int kDescriptorOffsets[] = {54, 72, 90, 108};
constexpr int kDescriptorTextStart = 5;
constexpr int kDescriptorLength = 18;
constexpr int kNameTag = 0xFC;

quint8 byteAt(const QByteArray& data, int index)
{
    return static_cast<quint8>(data.at(index));
}
}

std::optional<EdidParser::Identity> EdidParser::parse(const QByteArray& edid)
{
    if (edid.size() < kBlockSize || !hasValidHeader(edid) || !hasValidChecksum(edid))
        return std::nullopt;
    Identity identity;
    identity.vendor = (quint32(byteAt(edid, 8)) << 8) | byteAt(edid, 9);
    identity.model = quint32(byteAt(edid, 10)) | (quint32(byteAt(edid, 11)) << 8);
    identity.serial = quint32(byteAt(edid, 12)) | (quint32(byteAt(edid, 13)) << 8)
                      | (quint32(byteAt(edid, 14)) << 16) | (quint32(byteAt(edid, 15)) << 24);
    identity.vendorCode = vendorLetters(identity.vendor);
    identity.name = descriptorText(edid, kNameTag);
    return identity;
}

bool EdidParser::hasValidHeader(const QByteArray& edid)
{
    static const char kHeader[] = {'\x00', '\xff', '\xff', '\xff', '\xff', '\xff', '\xff', '\x00'};
    return edid.startsWith(QByteArray::fromRawData(kHeader, sizeof kHeader));
}

bool EdidParser::hasValidChecksum(const QByteArray& edid)
{
    quint8 sum = 0;
    for (int i = 0; i < kBlockSize; ++i)
        sum = quint8(sum + byteAt(edid, i));
    return sum == 0;
}

QString EdidParser::descriptorText(const QByteArray& edid, int tag)
{
    for (int offset : kDescriptorOffsets) {
        // Display descriptors start with a zero pixel clock; byte 3 is the tag.
        if (byteAt(edid, offset) != 0 || byteAt(edid, offset + 1) != 0 || byteAt(edid, offset + 3) != tag)
            continue;
        QByteArray text = edid.mid(offset + kDescriptorTextStart, kDescriptorLength - kDescriptorTextStart);
        const int end = text.indexOf('\n');
        if (end >= 0)
            text.truncate(end);
        QString name;
        for (char c : text) {
            if (c == '\0')
                break;
            name.append(c >= 0x20 && c < 0x7f ? QChar::fromLatin1(c) : QChar(u'?'));
        }
        return name.trimmed();
    }
    return {};
}

QString EdidParser::vendorLetters(quint32 packed)
{
    QString code;
    for (int shift : {10, 5, 0}) {
        const int letter = (packed >> shift) & 0x1f;
        if (letter < 1 || letter > 26)
            return {};
        code.append(QChar(u'A' + letter - 1));
    }
    return code;
}
