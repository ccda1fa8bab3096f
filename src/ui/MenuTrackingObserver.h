#pragma once

#include <QObject>

class HotKeyCenter;

// Tells the hot-key centre while one of our own menus or popups is open.
// Such a popup holds the keyboard, and X then delivers no global grab at
// all; the centre switches to matching the raw key events of our windows.
class MenuTrackingObserver : public QObject
{
    Q_OBJECT

public:
    // Watches the running QApplication's popups; does nothing without one.
    explicit MenuTrackingObserver(HotKeyCenter& center, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void update();

    HotKeyCenter& m_center;
    bool m_updateQueued = false;
};
