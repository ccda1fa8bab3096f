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
    const TesseractRecognizer::Profile profile = m_recognizer.profile(m_settings.level);
    if (m_page.pixels.isEmpty()) {
        TextImagePreparation::GrayImage inverted = m_gray;
        if (profile.invertDarkBackgrounds)
            TextImagePreparation::invertDarkTiles(inverted);
        m_page = TextImagePreparation::scaled(inverted, profile.scale);
        m_scale = profile.scale;
    }
    api->SetPageSegMode(profile.pageSegMode);
    api->setPage(m_page, m_scale);
    return api;
}

QRect TesseractTextPage::toPage(const QRect& box, int padding) const
{
    const QRect padded = box.adjusted(-padding, -padding, padding, padding);
    const int left = int(std::floor(padded.left() * m_scale));
    const int top = int(std::floor(padded.top() * m_scale));
    const int right = int(std::ceil((padded.right() + 1) * m_scale));
    const int bottom = int(std::ceil((padded.bottom() + 1) * m_scale));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)) & QRect(0, 0, m_page.width, m_page.height);
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

TextReadResult TesseractTextPage::findLines(QDeadlineTimer deadline, QList<QRect>* boxes)
{
    TextReadResult failure = TextReadResult::failed({});
    TesseractEngine* api = begin(&failure);
    if (!api)
        return failure;
    // The layout of the page as captured: finding lines on the enlarged page
    // costs more than twice as much and finds the same lines.
    TextImagePreparation::GrayImage layoutPage = m_gray;
    if (m_recognizer.profile(m_settings.level).invertDarkBackgrounds)
        TextImagePreparation::invertDarkTiles(layoutPage);
    api->setPage(layoutPage, 1.0);
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
    TextReadResult result = TextReadResult::read({});
    for (const QRect& box : boxes) {
        const QRect area = toPage(box, kLinePadding);
        if (area.isEmpty()) {
            texts->append(QString());
            continue;
        }
        api->SetRectangle(area.left(), area.top(), area.width(), area.height());
        result = api->recognizeWithin(deadline);
        if (!result.ok())
            break;
        texts->append(api->recognizedText().replace(QLatin1Char('\n'), QLatin1Char(' ')));
    }
    api->finish();
    return result;
}
