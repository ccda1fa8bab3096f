#pragma once

class AppRoot;

// Says on standard error, once, what is wrong with the settings a command
// starts with: a damaged settings file that was set aside, a screenshots
// folder that can't be used. Without it only the event log would know.
class SettingsProblems
{
public:
    static void tell(AppRoot& root);
};
