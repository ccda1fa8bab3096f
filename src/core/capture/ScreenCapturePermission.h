#pragma once

// The desktop's consent to capture the screen. Some sessions need none
// (X11); others ask the user once and remember the answer.
class ScreenCapturePermission
{
public:
    virtual ~ScreenCapturePermission() = default;

    // Whether capture is allowed now. Never asks the user.
    virtual bool isGranted() = 0;
    // Asks the desktop to ask the user, where it does; isGranted() tells
    // the answer afterwards.
    virtual void request() = 0;
};
