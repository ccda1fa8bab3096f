#include "core/shortcuts/HotKeyCenter.h"

HotKeyCenter::HotKeyCenter(HotKeyService* service, QObject* parent)
    : QObject(parent)
    , m_service(service)
{
}

HotKeyCenter::~HotKeyCenter()
{
    for (const auto& weak : std::as_const(m_hotKeys)) {
        if (const auto hotKey = weak.lock())
            unregisterFromPlatform(*hotKey);
    }
}

void HotKeyCenter::setService(HotKeyService* service)
{
    if (service == m_service)
        return;
    pruneExpired();
    for (const auto& weak : std::as_const(m_hotKeys)) {
        if (const auto hotKey = weak.lock())
            unregisterFromPlatform(*hotKey);
    }
    m_service = service;
    m_mode = computedMode();
    m_eventHandlerInstalled = false;
    if (!m_service || m_hotKeys.isEmpty())
        return;
    installEventHandlerIfNeeded();
    applyMode();
}

bool HotKeyCenter::registerHotKey(const std::shared_ptr<HotKey>& hotKey)
{
    if (!m_service || !hotKey)
        return false;
    pruneExpired();
    if (m_hotKeys.contains(hotKey->id))
        return false;
    installEventHandlerIfNeeded();
    m_hotKeys.insert(hotKey->id, hotKey);
    if (m_mode == Mode::normal)
        registerWithPlatform(*hotKey);
    return true;
}

void HotKeyCenter::unregisterHotKey(HotKey& hotKey)
{
    unregisterFromPlatform(hotKey);
    m_hotKeys.remove(hotKey.id);
}

void HotKeyCenter::setEnabled(bool enabled)
{
    m_isEnabled = enabled;
    updateMode();
}

void HotKeyCenter::setMenuOpen(bool open)
{
    m_isMenuOpen = open;
    updateMode();
}

HotKeyCenter::Mode HotKeyCenter::computedMode() const
{
    if (!m_isEnabled)
        return Mode::disabled;
    // A desktop that keeps the keys itself reports them while our menus are open too.
    const bool desktopManaged = m_service && m_service->isDesktopManaged();
    return m_isMenuOpen && !desktopManaged ? Mode::menuOpen : Mode::normal;
}

void HotKeyCenter::updateMode()
{
    const Mode mode = computedMode();
    if (mode == m_mode)
        return;
    m_mode = mode;
    if (m_eventHandlerInstalled)
        applyMode();
}

void HotKeyCenter::applyMode()
{
    if (!m_service)
        return;
    pruneExpired();
    for (const auto& weak : std::as_const(m_hotKeys)) {
        const auto hotKey = weak.lock();
        if (!hotKey)
            continue;
        if (m_mode == Mode::normal)
            registerWithPlatform(*hotKey);
        else
            unregisterFromPlatform(*hotKey);
    }
    m_isHotKeyEventHandlingEnabled = m_mode == Mode::normal;
    m_isRawKeyEventHandlingEnabled = m_mode == Mode::menuOpen;
    m_service->setHotKeyEventsEnabled(m_isHotKeyEventHandlingEnabled);
    m_service->setRawKeyEventsEnabled(m_isRawKeyEventHandlingEnabled);
}

void HotKeyCenter::installEventHandlerIfNeeded()
{
    if (m_eventHandlerInstalled)
        return;
    m_service->installEventHandler({
        [this](const HotKeyService::HotKeyEvent& event) { return handleHotKeyEvent(event); },
        [this](const HotKeyService::RawKeyEvent& event) { return handleRawKeyEvent(event); },
    });
    m_eventHandlerInstalled = true;
    m_isHotKeyEventHandlingEnabled = m_mode == Mode::normal;
    m_isRawKeyEventHandlingEnabled = m_mode == Mode::menuOpen;
    m_service->setHotKeyEventsEnabled(m_isHotKeyEventHandlingEnabled);
    m_service->setRawKeyEventsEnabled(m_isRawKeyEventHandlingEnabled);
}

void HotKeyCenter::registerWithPlatform(HotKey& hotKey)
{
    if (hotKey.grabHandle)
        return;
    const auto handle = m_service->registerHotKey(hotKey.keyCode, hotKey.modifiers,
                                                  {kSignature, hotKey.id, hotKey.name});
    if (handle) {
        hotKey.grabHandle = *handle;
        return;
    }
    if (hotKey.onRegistrationFailed)
        hotKey.onRegistrationFailed();
}

void HotKeyCenter::unregisterFromPlatform(HotKey& hotKey)
{
    if (!hotKey.grabHandle)
        return;
    if (m_service)
        m_service->unregisterHotKey(*hotKey.grabHandle);
    hotKey.grabHandle.reset();
}

void HotKeyCenter::pruneExpired()
{
    for (auto it = m_hotKeys.begin(); it != m_hotKeys.end();) {
        if (it.value().expired())
            it = m_hotKeys.erase(it);
        else
            ++it;
    }
}

bool HotKeyCenter::handleHotKeyEvent(const HotKeyService::HotKeyEvent& event)
{
    if (!m_isHotKeyEventHandlingEnabled || event.identifier.signature != kSignature)
        return false;
    const auto hotKey = m_hotKeys.value(event.identifier.id).lock();
    if (!hotKey)
        return false;
    const HotKey::Action& action = event.kind == HotKeyService::EventKind::pressed ? hotKey->onKeyDown
                                                                                   : hotKey->onKeyUp;
    if (action)
        action();
    return true;
}

bool HotKeyCenter::handleRawKeyEvent(const HotKeyService::RawKeyEvent& event)
{
    if (!m_isRawKeyEventHandlingEnabled)
        return false;
    for (const auto& weak : std::as_const(m_hotKeys)) {
        const auto hotKey = weak.lock();
        if (!hotKey || hotKey->keyCode != event.keyCode || hotKey->modifiers != event.modifiers)
            continue;
        const HotKey::Action& action = event.kind == HotKeyService::EventKind::pressed ? hotKey->onKeyDown
                                                                                       : hotKey->onKeyUp;
        if (action)
            action();
        return true;
    }
    return false;
}

Result<void> HotKeyCenter::probe(int keyCode, int modifiers)
{
    if (!m_service)
        return Result<void>::failure(tr("Global shortcuts are not available on this desktop."));
    if (m_service->isDesktopManaged())
        return Result<void>::success();
    // A combination we hold ourselves is ours to use; grabbing it again and
    // letting go would drop our own grab.
    for (const auto& weak : std::as_const(m_hotKeys)) {
        const auto hotKey = weak.lock();
        if (hotKey && hotKey->grabHandle && hotKey->keyCode == keyCode && hotKey->modifiers == modifiers)
            return Result<void>::success();
    }
    const auto handle = m_service->registerHotKey(keyCode, modifiers, {kSignature, 0});
    if (!handle)
        return Result<void>::failure(handle.error());
    m_service->unregisterHotKey(*handle);
    return Result<void>::success();
}
