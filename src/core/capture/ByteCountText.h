#pragma once

#include <QString>

// Byte counts as people read file sizes: decimal units, no fraction for
// bytes and KB, one digit for MB, two for GB and above, trailing zeros
// dropped ("4.9 GB", "5 GB", "812 KB", "1 byte", "Zero KB").
class ByteCountText
{
public:
    static QString file(qint64 bytes);
};
