#pragma once

#include <QString>

// Desktop notifications. Posting never blocks; without a notification
// service nothing is shown and nothing breaks.
class Notifier
{
public:
    virtual ~Notifier() = default;

    virtual void notify(const QString& summary, const QString& body) = 0;
};
