#pragma once

#include "core/shortcuts/Name.h"

#include <QWidget>

class DesktopKeyBinding;
class QLabel;
class QLineEdit;
class QPushButton;
class ShortcutRegistry;

// Where the desktop lets no program listen for keys, the start/stop shortcut
// lives in the desktop's own settings and runs `momentra toggle`. On GNOME
// this offers to add it there (written only when the user presses the button,
// removed with the other button) and shows whether it is there; on sway it
// shows the bindsym line to copy into sway's configuration.
class DesktopShortcutOffer : public QWidget
{
    Q_OBJECT

public:
    DesktopShortcutOffer(DesktopKeyBinding& binding, ShortcutRegistry& registry, KeyboardShortcuts::Name name,
                         QWidget* parent = nullptr);

    QLabel* sentence() const { return m_sentence; }
    QLineEdit* line() const { return m_line; }        // sway's line; null on GNOME
    QPushButton* button() const { return m_button; }  // Add/Remove on GNOME, Copy on sway

private:
    void buttonPressed();
    void redisplay();
    void redisplayGnome();
    void redisplaySway();

    DesktopKeyBinding& m_binding;
    ShortcutRegistry& m_registry;
    KeyboardShortcuts::Name m_name;
    QLabel* m_sentence;
    QLineEdit* m_line = nullptr;
    QPushButton* m_button;
};
