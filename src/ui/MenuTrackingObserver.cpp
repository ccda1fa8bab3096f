#include "ui/MenuTrackingObserver.h"

#include "core/shortcuts/HotKeyCenter.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

MenuTrackingObserver::MenuTrackingObserver(HotKeyCenter& center, QObject* parent)
    : QObject(parent)
    , m_center(center)
{
    if (qApp)
        qApp->installEventFilter(this);
    update();
}

bool MenuTrackingObserver::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->windowType() == Qt::Popup && !m_updateQueued) {
        // Qt updates its popup stack around these events; look once it settled.
        m_updateQueued = true;
        QMetaObject::invokeMethod(
            this, [this] { update(); }, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void MenuTrackingObserver::update()
{
    m_updateQueued = false;
    const bool open = QApplication::activePopupWidget() != nullptr;
    if (open != m_center.isMenuOpen())
        m_center.setMenuOpen(open);
}
