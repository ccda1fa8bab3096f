#pragma once

#include "core/capture/ScreenSource.h"
#include "core/capture/SessionState.h"
#include "core/textsearch/LiveTextSink.h"
#include "support/core/TestCodec.h"

#include <QHash>
#include <QMutex>
#include <QSemaphore>

#include <atomic>
#include <optional>

// Displays and grabs under the test's control; failures set per display
// number. With holdCaptures(), content() blocks until release().
class FakeScreenSource : public ScreenSource
{
public:
    static DisplayInfo display(quint32 number, int width, int height, bool builtIn = false, bool main = false)
    {
        DisplayInfo info;
        info.facts = DisplayFacts{number, std::nullopt, 0x1000 + number, 7, number};
        info.name = QStringLiteral("Display %1").arg(number);
        info.width = info.logicalWidth = width;
        info.height = info.logicalHeight = height;
        info.isBuiltIn = builtIn;
        info.isMain = main;
        return info;
    }

    Result<ShareableContent> content() override
    {
        ++m_contentCalls;
        if (m_hold) {
            m_holding = true;
            m_entered.release();
            m_released.acquire();
            m_holding = false;
        }
        QMutexLocker lock(&m_mutex);
        if (m_contentFailure)
            return Result<ShareableContent>::failure(*m_contentFailure);
        ShareableContent content;
        content.displays = m_displays;
        return content;
    }
    Result<Bitmap> capture(const DisplayInfo& display, const DisplayCaptureRequest& request) override
    {
        QMutexLocker lock(&m_mutex);
        if (m_displayFailures.contains(display.facts.displayNumber))
            return Result<Bitmap>::failure(m_displayFailures.value(display.facts.displayNumber));
        return Bitmap::filled(request.outputWidth, request.outputHeight,
                              0xFF000000u | (display.facts.displayNumber * 0x203040u));
    }

    void releaseIdleBuffers() override { ++m_releases; }
    int releases() const { return m_releases; }

    void setDisplays(QList<DisplayInfo> displays)
    {
        QMutexLocker lock(&m_mutex);
        m_displays = std::move(displays);
    }
    void failContent(const QString& message)
    {
        QMutexLocker lock(&m_mutex);
        m_contentFailure = message;
    }
    void failDisplay(quint32 number, const QString& message)
    {
        QMutexLocker lock(&m_mutex);
        m_displayFailures.insert(number, message);
    }
    void clearFailures()
    {
        QMutexLocker lock(&m_mutex);
        m_contentFailure.reset();
        m_displayFailures.clear();
    }
    void holdCaptures() { m_hold = true; }
    void release()
    {
        m_hold = false;
        m_released.release();
    }
    bool waitUntilCapturing() { return m_entered.tryAcquire(1, 5000); }
    bool isHolding() const { return m_holding; }
    int contentCalls() const { return m_contentCalls; }

private:
    QMutex m_mutex;
    QList<DisplayInfo> m_displays;
    std::optional<QString> m_contentFailure;
    QHash<quint32, QString> m_displayFailures;
    std::atomic<bool> m_hold{false};
    std::atomic<bool> m_holding{false};
    QSemaphore m_entered;
    QSemaphore m_released;
    std::atomic<int> m_contentCalls{0};
    std::atomic<int> m_releases{0};
};

class FakeSessionState : public SessionState
{
public:
    std::optional<qint64> freeBytes(const QString& folder) override
    {
        lastFolderAsked = folder;
        return free;
    }
    bool isScreenLocked() override { return locked; }
    double secondsSinceLastInput() override { return idleSeconds; }
    std::optional<QString> frontmostAppId() override { return frontmost; }
    FileDescriptor delaySleep(const QString&) override { return FileDescriptor(); }

    std::optional<qint64> free;
    QString lastFolderAsked;
    bool locked = false;
    double idleSeconds = 0;
    std::optional<QString> frontmost;
};

class RecordingTextSink : public LiveTextSink
{
public:
    void enqueue(const QList<CapturedImage>& images, const TextSearchSettings& s) override
    {
        batches.append(images);
        settings.append(s);
    }

    QList<QList<CapturedImage>> batches;
    QList<TextSearchSettings> settings;
};
