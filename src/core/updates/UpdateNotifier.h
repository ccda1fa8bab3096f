#pragma once

#include <QString>

#include <functional>

// A desktop notification with one action, for update reminders. Posting
// never blocks and never opens a window; without a notification service
// nothing is shown.
class UpdateNotifier
{
public:
    virtual ~UpdateNotifier() = default;

    // `action` runs when the user picks actionLabel (or the notification itself).
    virtual void notify(const QString& summary, const QString& body, const QString& actionLabel,
                        std::function<void()> action) = 0;
};
