#include "core/textsearch/BinaryPlist.h"

#include <cstdlib>

// Whatever decodes must survive a round trip through the encoder.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QString> text = BinaryPlist::decodeString(bytes);
    if (text && BinaryPlist::decodeString(BinaryPlist::encodeString(*text)) != text)
        std::abort();
    return 0;
}
