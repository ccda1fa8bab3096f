#include "core/timelapse/TimelapseError.h"

QString TimelapseError::description() const
{
    switch (m_kind) {
    case Kind::noFrames:
        return m_days == 1 ? QStringLiteral("No screenshots found for this day.")
                           : QStringLiteral("No screenshots found for these days.");
    case Kind::writerFailed:
        return QStringLiteral("Video export failed: ") + m_message;
    case Kind::cancelled:
        return QStringLiteral("Cancelled.");
    case Kind::other:
        return m_message;
    }
    return m_message;
}
