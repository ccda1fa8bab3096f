#include "platform/linux/x11/EdidParser.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray edid(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<EdidParser::Identity> identity = EdidParser::parse(edid);
    if (identity && (identity->vendorCode.size() % 3 != 0 || identity->name.size() > 13))
        std::abort();
    return 0;
}
