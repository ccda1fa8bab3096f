// Installs Tesseract as the process's text recogniser. The engine itself is
// created lazily, on the first read.
#include "core/textsearch/TextRecognizer.h"
#include "media/TesseractRecognizer.h"

namespace {

const bool installed = [] {
    TextRecognizer::setSharedFactory([] { return std::make_shared<TesseractRecognizer>(); });
    return true;
}();

}  // namespace
