#pragma once

#include <QString>

// The one display the user asked to capture, remembered by its identity and
// by the name it had when it was chosen.
struct ChosenDisplay
{
    QString identity;
    QString name;

    bool operator==(const ChosenDisplay&) const = default;
};
