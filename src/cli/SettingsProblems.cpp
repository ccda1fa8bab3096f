#include "cli/SettingsProblems.h"

#include "app/AppRoot.h"
#include "cli/Console.h"
#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"

void SettingsProblems::tell(AppRoot& root)
{
    root.preferences().folderPath();  // its read rule reports an unusable folder
    for (const QString& problem : root.defaults().problems())
        Console::err(QStringLiteral("momentra: ") + problem);
}
