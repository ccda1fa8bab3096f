#include "media/image/MediaImageCodec.h"

#include <cstdlib>

// Any file in a day folder reaches the decoder during a bulk text run. A
// decoded image must be whole: its pixel buffer as large as its size says.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static MediaImageCodec codec;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const Result<Bitmap> image = codec.decode(bytes);
    if (image.ok() && image.value().isNull())
        std::abort();
    return 0;
}
