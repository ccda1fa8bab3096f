#pragma once

#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"
#include "core/shortcuts/HotKeyCenter.h"
#include "core/shortcuts/ShortcutRegistry.h"
#include "support/core/FakeHotKeyService.h"

// The application's shortcut wiring over a settings file of its own: the store, preferences, a hot-key centre
// over `service` (the in-memory `fake` when none is given) and the registry. Another over the same file is a
// restart.
struct ShortcutStack
{
    ShortcutStack(const QString& path, EventLog& log, HotKeyService* service = nullptr)
        : store(path, log)
        , preferences(store)
        , center(service ? service : &fake)
        , registry(preferences, center, log)
    {
    }

    DefaultsStore store;
    Preferences preferences;
    FakeHotKeyService fake;
    HotKeyCenter center;
    ShortcutRegistry registry;
};
