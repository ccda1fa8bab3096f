#pragma once

// One progress report of a timelapse export.
struct TimelapseProgress
{
    int completedFrames = 0;      // frames handled so far, all displays together
    int totalFrames = 0;          // frames of all displays together
    int currentDisplayIndex = 0;  // 1-based position of the video being written
    int totalDisplays = 0;        // number of videos this export writes

    bool operator==(const TimelapseProgress&) const = default;
};
