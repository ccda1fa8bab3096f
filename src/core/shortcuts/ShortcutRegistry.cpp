#include "core/shortcuts/ShortcutRegistry.h"

#include "core/log/EventLog.h"
#include "core/settings/Preferences.h"
#include "core/shortcuts/HotKeyCenter.h"

#include <QJsonValue>
#include <QSet>

using KeyboardShortcuts::EventType;

ShortcutRegistry::ShortcutRegistry(Preferences& preferences, HotKeyCenter& center, EventLog& log, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_center(center)
    , m_log(log)
{
    updateCenter();
    connect(&m_preferences, &Preferences::changed, this, &ShortcutRegistry::storedValueChanged);
}

ShortcutRegistry::~ShortcutRegistry()
{
    for (const auto& hotKey : std::as_const(m_hotKeys))
        m_center.unregisterHotKey(*hotKey);
}

void ShortcutRegistry::declare(const Name& name)
{
    if (m_declared.contains(name.rawValue()))
        return;
    m_declared.insert(name.rawValue(), name);
    if (name.initialShortcut() && m_preferences.value(name.settingsKey()).isUndefined()) {
        m_writing = true;
        m_preferences.setValue(name.settingsKey(), name.initialShortcut()->toJsonString());
        m_writing = false;
    }
}

std::optional<KeyboardShortcuts::Shortcut> ShortcutRegistry::shortcut(const Name& name)
{
    declare(name);
    const QJsonValue stored = m_preferences.value(name.settingsKey());
    if (!stored.isString())
        return std::nullopt;  // absent, false, or something this version never writes
    return Shortcut::fromJsonString(stored.toString());
}

void ShortcutRegistry::setShortcut(const std::optional<Shortcut>& newShortcut, const Name& name)
{
    declare(name);
    const Name declared = m_declared.value(name.rawValue());
    const auto current = shortcut(name);
    if (!newShortcut) {
        const bool hasInitial = declared.initialShortcut().has_value();
        const QJsonValue stored = m_preferences.value(name.settingsKey());
        if (hasInitial && stored.isBool() && !stored.toBool())
            return;  // already cleared
        if (current && !isUsedByOtherNameWithHandlers(*current, name.rawValue()))
            unregisterShortcut(*current);
        m_writing = true;
        if (hasInitial)
            m_preferences.setValue(name.settingsKey(), false);
        else
            m_preferences.removeValue(name.settingsKey());
        m_writing = false;
        Q_EMIT shortcutByNameDidChange(declared);
        return;
    }
    const QString encoded = newShortcut->toJsonString();
    if (current && !isUsedByOtherNameWithHandlers(*current, name.rawValue()))
        unregisterShortcut(*current);
    m_writing = true;
    m_preferences.setValue(name.settingsKey(), encoded);
    m_writing = false;
    if (hasHandlers(name.rawValue()))
        registerShortcut(*newShortcut);
    Q_EMIT shortcutByNameDidChange(declared);
}

void ShortcutRegistry::onKeyDown(const Name& name, Action action)
{
    addAction(name, EventType::keyDown, std::move(action));
}

void ShortcutRegistry::onKeyUp(const Name& name, Action action)
{
    addAction(name, EventType::keyUp, std::move(action));
}

void ShortcutRegistry::addAction(const Name& name, EventType type, Action action)
{
    declare(name);
    if (!m_namesWithHandlers.contains(name.rawValue()))
        m_namesWithHandlers.append(name.rawValue());
    (type == EventType::keyDown ? m_keyDownActions : m_keyUpActions)[name.rawValue()].append(std::move(action));
    if (const auto current = shortcut(name))
        registerShortcut(*current);
}

bool ShortcutRegistry::hasHandlers(const QString& rawValue) const
{
    return m_namesWithHandlers.contains(rawValue);
}

bool ShortcutRegistry::isUsedByOtherNameWithHandlers(const Shortcut& used, const QString& rawValue)
{
    for (const QString& other : std::as_const(m_namesWithHandlers)) {
        if (other != rawValue && shortcut(m_declared.value(other)) == used)
            return true;
    }
    return false;
}

void ShortcutRegistry::registerShortcut(const Shortcut& shortcut)
{
    if (m_hotKeys.contains(shortcut))
        return;
    auto hotKey = std::make_shared<HotKey>();
    hotKey->keyCode = shortcut.keyCode;
    hotKey->modifiers = shortcut.modifiers;
    hotKey->onKeyDown = [this, shortcut] { dispatch(shortcut, EventType::keyDown); };
    hotKey->onKeyUp = [this, shortcut] { dispatch(shortcut, EventType::keyUp); };
    hotKey->onRegistrationFailed = [this, shortcut] {
        const QString message =
            tr("%1 is already used by another application or by the desktop.").arg(shortcut.words());
        m_log.logError(QStringLiteral("Could not register the global shortcut %1: it is taken").arg(shortcut.words()),
                       EventLog::kApp);
        Q_EMIT registrationFailed(shortcut, message);
    };
    hotKey->id = m_center.nextHotKeyId();
    for (const QString& rawValue : std::as_const(m_namesWithHandlers)) {
        if (this->shortcut(m_declared.value(rawValue)) == shortcut) {
            hotKey->name = rawValue;
            break;
        }
    }
    // Remember it first: a failed grab reports while the centre accepts it.
    m_hotKeys.insert(shortcut, hotKey);
    if (!m_center.registerHotKey(hotKey))
        m_hotKeys.remove(shortcut);
}

void ShortcutRegistry::unregisterShortcut(const Shortcut& shortcut)
{
    const auto hotKey = m_hotKeys.take(shortcut);
    if (hotKey)
        m_center.unregisterHotKey(*hotKey);
}

void ShortcutRegistry::dispatch(const Shortcut& pressed, EventType type)
{
    if (m_isPaused)
        return;
    // Copy first: an action may add actions or change shortcuts.
    const QStringList names = m_namesWithHandlers;
    for (const QString& rawValue : names) {
        if (shortcut(m_declared.value(rawValue)) != pressed)
            continue;
        const QList<Action> actions = (type == EventType::keyDown ? m_keyDownActions : m_keyUpActions).value(rawValue);
        for (const Action& action : actions)
            action();
    }
}

// Another process (or `momentra defaults write`) changed an entry: bring
// the registrations in line with what the names now hold.
void ShortcutRegistry::storedValueChanged(const QString& key)
{
    static const QString kPrefix = QStringLiteral("KeyboardShortcuts_");
    if (m_writing || !key.startsWith(kPrefix))
        return;
    const auto declared = m_declared.constFind(key.mid(kPrefix.size()));
    if (declared == m_declared.cend())
        return;
    QSet<Shortcut> wanted;
    for (const QString& rawValue : std::as_const(m_namesWithHandlers)) {
        if (const auto current = shortcut(m_declared.value(rawValue)))
            wanted.insert(*current);
    }
    const QList<Shortcut> registered = m_hotKeys.keys();
    for (const Shortcut& shortcut : registered) {
        if (!wanted.contains(shortcut))
            unregisterShortcut(shortcut);
    }
    for (const Shortcut& shortcut : std::as_const(wanted))
        registerShortcut(shortcut);
    Q_EMIT shortcutByNameDidChange(declared.value());
}

void ShortcutRegistry::setEnabled(bool enabled)
{
    m_isEnabled = enabled;
    updateCenter();
}

void ShortcutRegistry::setPaused(bool paused)
{
    m_isPaused = paused;
    updateCenter();
}

void ShortcutRegistry::setRecorderActive(bool active)
{
    setPaused(active);
    Q_EMIT recorderActiveStatusDidChange(active);
}

void ShortcutRegistry::updateCenter()
{
    m_center.setEnabled(m_isEnabled && !m_isPaused);
}
