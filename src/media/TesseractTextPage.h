#pragma once

#include "core/textsearch/TextPage.h"
#include "core/textsearch/TextSearchSettings.h"
#include "media/TextImagePreparation.h"

class TesseractEngine;
class TesseractRecognizer;

// A screenshot read with Tesseract, whole (every read of a screenshot goes
// through here) or piece by piece. Waiting, it holds the grey image (a
// quarter of the captured pixels); the page where lines are found (dark
// panels inverted) is made on first use and kept while the page lives, the
// page read whole (also scaled by the level's profile) until Tesseract has
// its copy. Boxes go in and out in the captured image's pixels.
class TesseractTextPage : public TextPage
{
public:
    // Room left around a line read on its own (captured pixels): Tesseract
    // reads a line best with some background around it.
    static constexpr int kLinePadding = 3;
    // A line box smaller than this either way holds no readable text.
    static constexpr int kSmallestLine = 4;

    TesseractTextPage(TesseractRecognizer& recognizer, TextImagePreparation::GrayImage gray,
                      const TextSearchSettings& settings);

    GrayPixels pixels() const override;
    TextReadResult readAll(QDeadlineTimer deadline, QList<Line>* lines) override;
    // Finds lines on the page as captured (dark panels inverted, not scaled).
    TextReadResult findLines(const QRect& area, QDeadlineTimer deadline, QList<QRect>* boxes) override;
    TextReadResult readLines(const QList<QRect>& boxes, QDeadlineTimer deadline, QStringList* texts) override;

private:
    // This thread's engine, or null with the failure in `failure`.
    TesseractEngine* begin(TextReadResult* failure);
    const TextImagePreparation::GrayImage& layoutPage();
    const TextImagePreparation::GrayImage& readingPage();
    QRect fromPage(const QRect& box) const;

    TesseractRecognizer& m_recognizer;
    TextImagePreparation::GrayImage m_gray;
    TextImagePreparation::GrayImage m_page;        // what Tesseract reads: inverted, scaled
    TextImagePreparation::GrayImage m_layoutPage;  // where lines are found: inverted
    TextSearchSettings m_settings;
    double m_scale = 1.0;
};
