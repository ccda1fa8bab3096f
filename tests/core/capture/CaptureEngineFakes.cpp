#include "core/capture/CaptureEngineFakes.h"

#include <QFile>

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
    return Bitmap::filled(request.outputWidth, request.outputHeight, colourFor(display.facts.displayNumber));
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

void FakeScreenSource::clearFailures()
{
    QMutexLocker lock(&m_mutex);
    m_contentFailure.reset();
    m_displayFailures.clear();
}

void FakeScreenSource::failDisplay(quint32 displayNumber, const QString& message)
{
    QMutexLocker lock(&m_mutex);
    m_displayFailures.insert(displayNumber, message);
}

void FakeScreenSource::holdCaptures() { m_hold = true; }

void FakeScreenSource::release()
{
    m_hold = false;
    m_released.release();
}

bool FakeScreenSource::waitUntilCapturing(int timeoutMs) { return m_entered.tryAcquire(1, timeoutMs); }

Result<QByteArray> FakeImageCodec::encode(const Bitmap& image, ScreenshotFormat, double quality)
{
    lastQuality = quality;
    if (fails)
        return Result<QByteArray>::failure(QStringLiteral("fake encoder failure"));
    return QByteArray("FAKE") + QByteArray::number(image.width) + 'x' + QByteArray::number(image.height);
}

Result<Bitmap> FakeImageCodec::decode(const QByteArray& data)
{
    if (!data.startsWith("FAKE"))
        return Result<Bitmap>::failure(QStringLiteral("not fake"));
    const QList<QByteArray> size = data.mid(4).split('x');
    return Bitmap::filled(size.value(0).toInt(), size.value(1).toInt(), 0xFF000000);
}

Result<Bitmap> FakeImageCodec::decodeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<Bitmap>::failure(file.errorString());
    return decode(file.readAll());
}

std::optional<qint64> FakeCaptureGates::freeBytes(const QString& folder)
{
    lastFolderAsked = folder;
    return free;
}

void RecordingTextSink::enqueue(const QList<CapturedImage>& images, const TextSearchSettings& s)
{
    batches.append(images);
    settings.append(s);
}
