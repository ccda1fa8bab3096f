#pragma once

#include "core/capture/ScreenCapturePermission.h"

// X11 lets every client read the screen: there is nothing to ask.
class X11CapturePermission : public ScreenCapturePermission
{
public:
    bool isGranted() override { return true; }
    void request() override {}
};
