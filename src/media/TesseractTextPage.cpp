#include "media/TesseractTextPage.h"

#include "media/TesseractEngine.h"
#include "media/TesseractRecognizer.h"

#include <cmath>

TesseractTextPage::TesseractTextPage(TesseractRecognizer& recognizer, TextImagePreparation::GrayImage gray,
                                     const TextSearchSettings& settings)
    : m_recognizer(recognizer)
    , m_gray(std::move(gray))
    , m_settings(settings)
{
}

GrayPixels TesseractTextPage::pixels() const
{
    return {reinterpret_cast<const uchar*>(m_gray.pixels.constData()), m_gray.width, m_gray.height};
}

TesseractEngine* TesseractTextPage::begin(TextReadResult* failure)
{
    const QString languages = m_recognizer.languageFor(m_settings);
    if (languages.isEmpty()) {
        *failure = TextReadResult::failed(QStringLiteral("No text recognition language is installed"));
        return nullptr;
    }
    QString error;
    TesseractEngine* api = TesseractEngine::forThread(m_recognizer.dataPath(), languages,
                                                      m_settings.usesLanguageCorrection, &error);
    if (!api) {
        *failure = TextReadResult::failed(error);
        return nullptr;
    }
    api->SetPageSegMode(m_recognizer.profile(m_settings.level).pageSegMode);
    return api;
}

const TextImagePreparation::GrayImage& TesseractTextPage::layoutPage()
{
    if (m_layoutPage.pixels.isEmpty()) {
        m_layoutPage = m_gray;
        if (m_recognizer.profile(m_settings.level).invertDarkBackgrounds)
            TextImagePreparation::invertDarkTiles(m_layoutPage);
    }
    return m_layoutPage;
}

const TextImagePreparation::GrayImage& TesseractTextPage::readingPage()
{
    if (m_page.pixels.isEmpty()) {
        m_scale = m_recognizer.profile(m_settings.level).scale;
        m_page = TextImagePreparation::scaled(layoutPage(), m_scale);
    }
    return m_page;
}

QRect TesseractTextPage::fromPage(const QRect& box) const
{
    const int left = int(std::floor(box.left() / m_scale));
    const int top = int(std::floor(box.top() / m_scale));
    const int right = int(std::ceil((box.right() + 1) / m_scale));
    const int bottom = int(std::ceil((box.bottom() + 1) / m_scale));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

TextReadResult TesseractTextPage::readAll(QDeadlineTimer deadline, QList<Line>* lines)
{
    TextReadResult failure = TextReadResult::failed({});
    TesseractEngine* api = begin(&failure);
    if (!api)
        return failure;
    api->setPage(readingPage(), m_scale);
    m_page = {};  // the engine has its copy
    TextReadResult result = api->recognizeWithin(deadline);
    if (result.ok()) {
        QList<Line> pageLines;
        result = TextReadResult::read(api->recognizedText(lines ? &pageLines : nullptr));
        for (Line& line : pageLines)
            lines->append({fromPage(line.box), std::move(line.text)});
    }
    api->finish();
    return result;
}

TextReadResult TesseractTextPage::findLines(const QRect& area, QDeadlineTimer deadline, QList<QRect>* boxes)
{
    TextReadResult failure = TextReadResult::failed({});
    TesseractEngine* api = begin(&failure);
    if (!api)
        return failure;
    // The layout of the page as captured: finding lines on the enlarged page
    // costs more than twice as much and finds the same lines.
    api->setPage(layoutPage(), 1.0);
    if (!area.isNull())
        api->SetRectangle(area.left(), area.top(), area.width(), area.height());
    std::unique_ptr<tesseract::PageIterator> layout(api->AnalyseLayout());
    if (layout && !layout->Empty(tesseract::RIL_TEXTLINE)) {
        do {
            int left = 0, top = 0, right = 0, bottom = 0;
            if (layout->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom))
                boxes->append(QRect(left, top, right - left, bottom - top));
        } while (layout->Next(tesseract::RIL_TEXTLINE));
    }
    layout.reset();
    api->finish();
    return deadline.hasExpired() ? TextReadResult::timedOut() : TextReadResult::read({});
}

TextReadResult TesseractTextPage::readLines(const QList<QRect>& boxes, QDeadlineTimer deadline, QStringList* texts)
{
    TextReadResult failure = TextReadResult::failed({});
    TesseractEngine* api = begin(&failure);
    if (!api)
        return failure;
    api->SetPageSegMode(tesseract::PSM_SINGLE_LINE);
    const TextImagePreparation::GrayImage& page = layoutPage();
    const double scale = m_recognizer.profile(m_settings.level).scale;
    TextReadResult result = TextReadResult::read({});
    for (const QRect& box : boxes) {
        // Each line as an image of its own, scaled as a full read scales the
        // page: Tesseract then thresholds and looks at nothing but the line.
        const TextImagePreparation::GrayImage line = TextImagePreparation::scaled(
            TextImagePreparation::cropped(page, box.adjusted(-kLinePadding, -kLinePadding, kLinePadding, kLinePadding)),
            scale);
        if (box.width() < kSmallestLine || box.height() < kSmallestLine) {
            texts->append(QString());
            continue;
        }
        api->setPage(line, scale);
        result = api->recognizeWithin(deadline);
        if (!result.ok())
            break;
        texts->append(api->recognizedText().replace(QLatin1Char('\n'), QLatin1Char(' ')));
    }
    api->finish();
    return result;
}
