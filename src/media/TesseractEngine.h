#pragma once

#include "core/textsearch/TextPage.h"
#include "core/textsearch/TextReadResult.h"
#include "media/TextImagePreparation.h"

#include <tesseract/baseapi.h>

#include <QDeadlineTimer>
#include <QString>

// A Tesseract engine as Momentra uses it: one per thread, kept for the
// thread's life and made anew only when the data path, languages or
// correction setting change; OpenMP held to one thread; the invert check off
// (dark panels are inverted beforehand).
class TesseractEngine : public tesseract::TessBaseAPI
{
public:
    // This thread's engine for the settings; null with `error` set when it can't start.
    static TesseractEngine* forThread(const QString& dataPath, const QString& languages, bool correction,
                                      QString* error);

    // Sets a prepared page (grey, inverted, scaled by `scale`) as the image to read.
    void setPage(const TextImagePreparation::GrayImage& page, double scale);
    // Recognises the image (or its rectangle) in the current segmentation mode within the deadline.
    TextReadResult recognizeWithin(QDeadlineTimer deadline);
    // The text of the last recognition, lines joined with line feeds, walked
    // word by word left to right. GetUTF8Text() goes through the
    // reading-order iterator, which restarts from the top of the page for
    // every line (about 6 % of the time on a dense screenshot); this walk is
    // linear. `lines`, when given, receives every line's box (in page pixels)
    // and text, including lines without words.
    QString recognizedText(QList<TextPage::Line>* lines = nullptr);
    // Frees the page and the results, and hands the freed heap back.
    void finish();
};
