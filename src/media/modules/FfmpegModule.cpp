#include "media/FfmpegVideoWriter.h"
#include "media/modules/ModuleEntries.h"

extern "C" Q_DECL_EXPORT VideoWriter* momentra_create_video_writer()
{
    return new FfmpegVideoWriter(FfmpegVideoWriter::shippedOptions());
}
