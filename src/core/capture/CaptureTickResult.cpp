#include "core/capture/CaptureTickResult.h"

CaptureTickResult CaptureTickResult::success(int count, QMap<QString, int> displayOrdinals,
                                             std::optional<QString> failure)
{
    CaptureTickResult result;
    result.m_kind = Kind::Success;
    result.m_count = count;
    result.m_ordinals = std::move(displayOrdinals);
    result.m_message = std::move(failure);
    return result;
}

CaptureTickResult CaptureTickResult::failure(QString message)
{
    CaptureTickResult result;
    result.m_kind = Kind::Failure;
    result.m_message = std::move(message);
    return result;
}

CaptureTickResult CaptureTickResult::displayMissing(QMap<QString, int> displayOrdinals)
{
    CaptureTickResult result;
    result.m_kind = Kind::DisplayMissing;
    result.m_ordinals = std::move(displayOrdinals);
    return result;
}
