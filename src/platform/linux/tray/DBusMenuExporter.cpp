#include "platform/linux/tray/DBusMenuExporter.h"

#include <QAction>
#include <QActionEvent>
#include <QActionGroup>
#include <QGuiApplication>

namespace {

constexpr int kRootId = 0;

QVariantMap onlyNamed(QVariantMap properties, const QStringList& names)
{
    if (names.isEmpty())
        return properties;
    for (auto it = properties.begin(); it != properties.end();)
        it = names.contains(it.key()) ? std::next(it) : properties.erase(it);
    return properties;
}

QVariantMap actionProperties(const QAction& action)
{
    QVariantMap properties{{QStringLiteral("visible"), action.isVisible()}};
    if (action.isSeparator()) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
        return properties;
    }
    properties.insert(QStringLiteral("label"), DBusMenuExporter::label(action.text()));
    properties.insert(QStringLiteral("enabled"), action.isEnabled());
    if (action.isCheckable()) {
        const bool radio = action.actionGroup() && action.actionGroup()->isExclusive();
        properties.insert(QStringLiteral("toggle-type"), radio ? QStringLiteral("radio") : QStringLiteral("checkmark"));
        properties.insert(QStringLiteral("toggle-state"), action.isChecked() ? 1 : 0);
    }
    if (!action.icon().name().isEmpty())
        properties.insert(QStringLiteral("icon-name"), action.icon().name());
    return properties;
}

}  // namespace

DBusMenuExporter::DBusMenuExporter(QObject& menu, ActionList actions, QObject* parent)
    : QObject(parent)
    , m_menu(&menu)
    , m_actions(std::move(actions))
{
    registerTrayWireTypes();
    menu.installEventFilter(this);
}

DBusMenuExporter::~DBusMenuExporter()
{
    if (m_menu)
        m_menu->removeEventFilter(this);
    if (!m_path.isEmpty())
        m_bus.unregisterObject(m_path);
}

bool DBusMenuExporter::publish(QDBusConnection bus, const QString& objectPath)
{
    if (!bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableContents))
        return false;
    m_bus = std::move(bus);
    m_path = objectPath;
    return true;
}

QString DBusMenuExporter::textDirection() const
{
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl") : QStringLiteral("ltr");
}

QString DBusMenuExporter::label(const QString& text)
{
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_')
            result += QStringLiteral("__");
        else if (text[i] != u'&' || i + 1 == text.size())
            result += text[i];
        else if (text[i + 1] == u'&')
            result += text[++i];
        else
            result += u'_';
    }
    return result;
}

int DBusMenuExporter::idOf(QAction* action)
{
    auto it = m_ids.find(action);
    if (it == m_ids.end())
        it = m_ids.insert(action, m_nextId++);
    return *it;
}

QAction* DBusMenuExporter::actionOf(int id) const
{
    const QList<QAction*> actions = m_actions();
    for (QAction* action : actions) {
        if (m_ids.value(action) == id)
            return action;
    }
    return nullptr;
}

QVariantMap DBusMenuExporter::properties(int id, const QStringList& names)
{
    if (id == kRootId)
        return onlyNamed({{QStringLiteral("children-display"), QStringLiteral("submenu")}}, names);
    const QAction* action = actionOf(id);
    if (!action)
        return {};
    QVariantMap all = actionProperties(*action);
    m_sent.insert(id, all);
    return onlyNamed(std::move(all), names);
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                 DBusMenuLayoutItem& layout)
{
    if (parentId != kRootId && !actionOf(parentId)) {
        refuseUnknown(parentId);
        return m_revision;
    }
    layout = {parentId, properties(parentId, propertyNames), {}};
    if (parentId == kRootId && recursionDepth != 0) {
        const QList<QAction*> actions = m_actions();
        for (QAction* action : actions) {
            const int id = idOf(action);
            layout.children << DBusMenuLayoutItem{id, properties(id, propertyNames), {}};
        }
    }
    return m_revision;
}

QList<DBusMenuItemProperties> DBusMenuExporter::GetGroupProperties(const QList<int>& ids,
                                                                   const QStringList& propertyNames)
{
    QList<DBusMenuItemProperties> result;
    for (const int id : ids) {
        if (id == kRootId || actionOf(id))
            result << DBusMenuItemProperties{id, properties(id, propertyNames)};
    }
    return result;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name)
{
    if (id != kRootId && !actionOf(id)) {
        refuseUnknown(id);
        return {};
    }
    return QDBusVariant(properties(id).value(name));
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    if (!triggerClicked(id, eventId))
        refuseUnknown(id);
}

QList<int> DBusMenuExporter::EventGroup(const QList<DBusMenuEvent>& events)
{
    QList<int> unknown;
    for (const DBusMenuEvent& event : events) {
        if (!triggerClicked(event.id, event.eventId))
            unknown << event.id;
    }
    if (!events.isEmpty() && unknown.size() == events.size())
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("None of the menu items exists"));
    return unknown;
}

bool DBusMenuExporter::AboutToShow(int id)
{
    if (id != kRootId && !actionOf(id))
        refuseUnknown(id);
    return false;  // the layout is always current
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors)
{
    for (const int id : ids) {
        if (id != kRootId && !actionOf(id))
            idErrors << id;
    }
    return {};
}

// Only "clicked" does something; the host's "opened", "closed" and
// "hovered" need no answer. The action runs once the call has returned, so a
// window it opens does not keep the host waiting.
bool DBusMenuExporter::triggerClicked(int id, const QString& eventId)
{
    QAction* action = actionOf(id);
    if (id != kRootId && !action)
        return false;
    if (action && eventId == QLatin1String("clicked"))
        QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
    return true;
}

void DBusMenuExporter::refuseUnknown(int id)
{
    if (calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("No menu item %1").arg(id));
}

bool DBusMenuExporter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_menu) {
        switch (event->type()) {
        case QEvent::ActionAdded:
        case QEvent::ActionRemoved:
            if (event->type() == QEvent::ActionRemoved)
                m_sent.remove(m_ids.take(static_cast<QActionEvent*>(event)->action()));
            Q_EMIT LayoutUpdated(++m_revision, kRootId);
            break;
        case QEvent::ActionChanged:
            actionChanged(static_cast<QActionEvent*>(event)->action());
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

// Tells the host what changed since it last read the item: new values, and
// the names of properties the item no longer has (a checkable action that
// became plain).
void DBusMenuExporter::actionChanged(QAction* action)
{
    const auto known = m_ids.constFind(action);
    if (known == m_ids.constEnd() || !m_sent.contains(*known))
        return;  // the host has not read it yet and will read it whole
    const int id = *known;
    const QVariantMap before = m_sent.value(id);
    const QVariantMap now = actionProperties(*action);
    QVariantMap updated;
    for (auto it = now.begin(); it != now.end(); ++it) {
        if (before.value(it.key()) != it.value())
            updated.insert(it.key(), it.value());
    }
    QStringList removed;
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (!now.contains(it.key()))
            removed << it.key();
    }
    if (updated.isEmpty() && removed.isEmpty())
        return;
    m_sent.insert(id, now);
    Q_EMIT ItemsPropertiesUpdated(updated.isEmpty() ? QList<DBusMenuItemProperties>{}
                                                    : QList{DBusMenuItemProperties{id, updated}},
                                  removed.isEmpty() ? QList<DBusMenuItemKeys>{} : QList{DBusMenuItemKeys{id, removed}});
}
