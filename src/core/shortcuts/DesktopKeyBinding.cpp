#include "core/shortcuts/DesktopKeyBinding.h"

#include "core/shortcuts/ShortcutRegistry.h"

void DesktopKeyBinding::follow(ShortcutRegistry& registry, KeyboardShortcuts::Name name)
{
    connect(&registry, &ShortcutRegistry::shortcutByNameDidChange, this,
            [this, &registry, name](const KeyboardShortcuts::Name& changed) {
                if (changed == name)
                    shortcutChanged(registry.shortcut(name));
            });
}

void DesktopKeyBinding::answer(State state, const QString& problem)
{
    m_state = state;
    m_problem = problem;
    Q_EMIT answered();
}
