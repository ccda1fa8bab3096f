#pragma once

#include <QString>

// Errors of the capture step that have no message of their own.
enum class CaptureError { NoDisplays, EncodingFailed };

namespace CaptureErrors {
QString description(CaptureError error);  // "No displays available to capture." …
}
