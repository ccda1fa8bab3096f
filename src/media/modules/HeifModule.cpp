#include "media/image/HeifCodec.h"
#include "media/modules/ModuleEntries.h"

extern "C" Q_DECL_EXPORT const HeifFunctions* momentra_heif_functions()
{
    static constexpr HeifFunctions functions{&HeifCodec::encode, &HeifCodec::decode};
    return &functions;
}
