#pragma once

#include "core/capture/ScreenCapturePermission.h"

// Sessions where every client may read the screen (X11, a wlroots
// compositor's screen copy): there is nothing to ask.
class OpenCapturePermission : public ScreenCapturePermission
{
public:
    bool isGranted() override { return true; }
    void request() override {}
};
