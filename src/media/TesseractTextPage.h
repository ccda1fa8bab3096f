#pragma once

#include "core/textsearch/TextPage.h"
#include "core/textsearch/TextSearchSettings.h"
#include "media/TextImagePreparation.h"

class TesseractEngine;
class TesseractRecognizer;

// A screenshot read piece by piece with Tesseract. Waiting, it holds the grey
// image (a quarter of the captured pixels); the page Tesseract reads
// (inverted dark panels, scaled by the level's profile) is made on the first
// call and kept while the page lives. Boxes go in and out in the captured
// image's pixels.
class TesseractTextPage : public TextPage
{
public:
    // Room left around a line read on its own (captured pixels): Tesseract
    // reads a line best with some background around it.
    static constexpr int kLinePadding = 3;

    TesseractTextPage(TesseractRecognizer& recognizer, TextImagePreparation::GrayImage gray,
                      const TextSearchSettings& settings);

    GrayPixels pixels() const override;
    TextReadResult readAll(QDeadlineTimer deadline, QList<Line>* lines) override;
    TextReadResult findLines(QDeadlineTimer deadline, QList<QRect>* boxes) override;
    TextReadResult readLines(const QList<QRect>& boxes, QDeadlineTimer deadline, QStringList* texts) override;

private:
    // This thread's engine with the page set, or null with the failure in `failure`.
    TesseractEngine* begin(TextReadResult* failure);
    QRect toPage(const QRect& box, int padding) const;
    QRect fromPage(const QRect& box) const;

    TesseractRecognizer& m_recognizer;
    TextImagePreparation::GrayImage m_gray;
    TextImagePreparation::GrayImage m_page;
    TextSearchSettings m_settings;
    double m_scale = 1.0;
};
