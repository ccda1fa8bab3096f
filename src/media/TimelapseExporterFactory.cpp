#include "media/TimelapseExporterFactory.h"

#include "media/MediaModule.h"
#include "media/MissingVideoWriter.h"
#include "media/image/MediaImageCodec.h"
#include "media/modules/ModuleEntries.h"

std::shared_ptr<const TimelapseExporter> TimelapseExporterFactory::create()
{
    auto module = std::make_shared<MediaModule>("ffmpeg");
    return std::make_shared<TimelapseExporter>(
        std::make_shared<MediaImageCodec>(), [module]() -> std::unique_ptr<VideoWriter> {
            if (auto create = module->entry<CreateVideoWriter>(kCreateVideoWriter))
                return std::unique_ptr<VideoWriter>(create());
            return std::make_unique<MissingVideoWriter>(module->errorString());
        });
}
