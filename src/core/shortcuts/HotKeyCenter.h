#pragma once

#include "core/shortcuts/HotKey.h"
#include "core/shortcuts/HotKeyService.h"

#include <QMap>
#include <QObject>

#include <memory>

// The single owner of the process's platform hot-key registrations. In the
// normal mode every live hot key is grabbed; while one of our menus or popups
// is open the grabs are released and the raw key events of our own windows
// are matched instead; when disabled (shortcuts switched off, or a recorder
// recording) nothing is grabbed and nothing is matched.
class HotKeyCenter : public QObject
{
    Q_OBJECT

public:
    enum class Mode { disabled, normal, menuOpen };
    static constexpr quint32 kSignature = 0x53534B53;  // 'SSKS'

    explicit HotKeyCenter(HotKeyService* service = nullptr, QObject* parent = nullptr);
    ~HotKeyCenter() override;

    // The platform service, set at start-up. Changing it lets go of every
    // grab made with the old one and grabs again with the new one.
    void setService(HotKeyService* service);
    HotKeyService* service() const { return m_service; }

    int nextHotKeyId() { return ++m_lastHotKeyId; }

    // Accepts a hot key (grabbing it at once in the normal mode). False when
    // there is no service or its id is taken; the caller then drops it.
    bool registerHotKey(const std::shared_ptr<HotKey>& hotKey);
    void unregisterHotKey(HotKey& hotKey);

    void setEnabled(bool enabled);
    bool isMenuOpen() const { return m_isMenuOpen; }
    void setMenuOpen(bool open);

    // The event handler installed on the service.
    bool handleHotKeyEvent(const HotKeyService::HotKeyEvent& event);
    bool handleRawKeyEvent(const HotKeyService::RawKeyEvent& event);

    // Whether the combination could be grabbed right now (grabs and releases
    // it); the message says why not. A combination we hold ourselves is free.
    Result<void> probe(int keyCode, int modifiers);

private:
    Mode computedMode() const;
    void updateMode();
    void applyMode();
    void installEventHandlerIfNeeded();
    void registerWithPlatform(HotKey& hotKey);
    void unregisterFromPlatform(HotKey& hotKey);
    void pruneExpired();

    HotKeyService* m_service = nullptr;
    int m_lastHotKeyId = 0;
    QMap<int, std::weak_ptr<HotKey>> m_hotKeys;
    bool m_eventHandlerInstalled = false;
    bool m_isEnabled = true;
    bool m_isMenuOpen = false;
    bool m_isHotKeyEventHandlingEnabled = false;
    bool m_isRawKeyEventHandlingEnabled = false;
    Mode m_mode = Mode::normal;
};
