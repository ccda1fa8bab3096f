#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reads the identity of a monitor from its EDID base block: manufacturer
// (bytes 8–9, the packed three-letter code as one big-endian number),
// product code (10–11, little-endian), serial number (12–15, little-endian)
// and the monitor name descriptor (tag 0xFC).
class EdidParser
{
public:
    struct Identity
    {
        quint32 vendor = 0;
        quint32 model = 0;
        quint32 serial = 0;
        QString name;           // empty when the block has no name descriptor
        QString vendorCode;     // "DEL", "GSM", …
    };

    static constexpr int kBlockSize = 128;

    // Nothing for a block that is short, lacks the fixed header, or fails its checksum.
    static std::optional<Identity> parse(const QByteArray& edid);

private:
    static bool hasValidHeader(const QByteArray& edid);
    static bool hasValidChecksum(const QByteArray& edid);
    static QString descriptorText(const QByteArray& edid, int tag);
    static QString vendorLetters(quint32 packed);
};
