#pragma once

#include "cli/CommandRegistry.h"

// `momentra ocr [FOLDER] [--level fast|accurate] [--language L]`: makes the
// screenshots folder (or any folder of images) searchable by its text.
class OcrCommand
{
public:
    static Command command();
};
