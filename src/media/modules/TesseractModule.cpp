#include "media/TesseractRecognizer.h"
#include "media/modules/ModuleEntries.h"

extern "C" Q_DECL_EXPORT TextRecognizer* momentra_create_text_recognizer()
{
    return new TesseractRecognizer();
}
