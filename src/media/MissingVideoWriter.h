#pragma once

#include "core/timelapse/VideoWriter.h"

// Stands in for the video writer when its module can't be loaded: every
// export fails at once with the reason.
class MissingVideoWriter : public VideoWriter
{
public:
    explicit MissingVideoWriter(QString reason)
        : m_reason(std::move(reason))
    {
    }

    bool create(const QString&, int, int) override { return false; }
    bool startWriting(int) override { return false; }
    bool append(const Bitmap&, const QRect&) override { return false; }
    bool hasFailed() const override { return true; }
    bool finishWriting() override { return false; }
    void cancelWriting() override {}
    QString errorString() const override { return m_reason; }

private:
    QString m_reason;
};
