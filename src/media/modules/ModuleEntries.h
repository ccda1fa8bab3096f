#pragma once

#include "core/Bitmap.h"
#include "core/Result.h"

#include <QByteArray>

class TextRecognizer;
class VideoWriter;

// The entry points of the media modules (see MediaModule): one per module,
// each a plain function so that dlsym finds it by name.

// momentra-tesseract.so: a new Tesseract recognizer using the system's data.
using CreateTextRecognizer = TextRecognizer* (*)();
inline constexpr const char* kCreateTextRecognizer = "momentra_create_text_recognizer";

// momentra-ffmpeg.so: a new H.264 writer with the shipped encoder settings.
using CreateVideoWriter = VideoWriter* (*)();
inline constexpr const char* kCreateVideoWriter = "momentra_create_video_writer";

// momentra-heif.so: HEIC encoding (quality on libheif's 0…100 scale) and decoding.
struct HeifFunctions
{
    Result<QByteArray> (*encode)(const Bitmap& image, int quality);
    Result<Bitmap> (*decode)(const QByteArray& data);
};
using GetHeifFunctions = const HeifFunctions* (*)();
inline constexpr const char* kGetHeifFunctions = "momentra_heif_functions";
