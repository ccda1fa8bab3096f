#include "core/capture/CaptureEngineFakes.h"

DisplayInfo FakeScreenSource::display(quint32 number, int width, int height, bool builtIn, bool main)
{
    DisplayInfo info;
    info.facts.displayNumber = number;
    info.facts.vendor = 0x1000 + number;
    info.facts.model = 7;
    info.facts.serial = number;
    info.name = QStringLiteral("Display %1").arg(number);
    info.width = info.logicalWidth = width;
    info.height = info.logicalHeight = height;
    info.isBuiltIn = builtIn;
    info.isMain = main;
    return info;
}

Result<ShareableContent> FakeScreenSource::content()
{
    ++m_contentCalls;
    if (m_hold) {
        m_entered.release();
        m_released.acquire();
    }
    QMutexLocker lock(&m_mutex);
    if (m_contentFailure)
        return Result<ShareableContent>::failure(*m_contentFailure);
    ShareableContent content;
    content.displays = m_displays;
    return content;
}

Result<Bitmap> FakeScreenSource::capture(const DisplayInfo& display, const DisplayCaptureRequest& request)
{
    QMutexLocker lock(&m_mutex);
    if (m_displayFailures.contains(display.facts.displayNumber))
        return Result<Bitmap>::failure(m_displayFailures.value(display.facts.displayNumber));
    return Bitmap::filled(request.outputWidth, request.outputHeight, 0xFF000000u | (display.facts.displayNumber * 0x203040u));
}

void FakeScreenSource::setDisplays(QList<DisplayInfo> displays)
{
    QMutexLocker lock(&m_mutex);
    m_displays = std::move(displays);
}

void FakeScreenSource::failContent(const QString& message)
{
    QMutexLocker lock(&m_mutex);
    m_contentFailure = message;
}

void FakeScreenSource::failDisplay(quint32 displayNumber, const QString& message)
{
    QMutexLocker lock(&m_mutex);
    m_displayFailures.insert(displayNumber, message);
}

void FakeScreenSource::clearFailures()
{
    QMutexLocker lock(&m_mutex);
    m_contentFailure.reset();
    m_displayFailures.clear();
}

void FakeScreenSource::release()
{
    m_hold = false;
    m_released.release();
}

Result<QByteArray> FakeImageCodec::encode(const Bitmap& image, ScreenshotFormat, double)
{
    if (fails)
        return Result<QByteArray>::failure(QStringLiteral("fake encoder failure"));
    return QByteArray("FAKE") + QByteArray::number(image.width) + 'x' + QByteArray::number(image.height);
}
