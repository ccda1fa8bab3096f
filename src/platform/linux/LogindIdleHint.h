#pragma once

#include "platform/linux/IdleSource.h"

class LogindClient;

// The last resort for idle time: the login session's IdleHint and
// IdleSinceHintMonotonic, which some desktops set once the user has been
// idle for a while of their own choosing. Idle time is known only from then
// on; before, it reads as none.
class LogindIdleHint : public IdleSource
{
public:
    explicit LogindIdleHint(LogindClient& logind);

    std::optional<double> secondsSinceLastInput() override;

private:
    LogindClient& m_logind;
};
