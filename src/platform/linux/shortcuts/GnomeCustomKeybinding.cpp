#include "platform/linux/shortcuts/GnomeCustomKeybinding.h"

#include "platform/linux/shortcuts/ShortcutNotation.h"

namespace {

const QString kMediaKeys = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
const QString kList = QStringLiteral("custom-keybindings");
const QString kOurs = QLatin1String(GnomeCustomKeybinding::kPath);

QString bindingSchema()
{
    return kMediaKeys + QStringLiteral(".custom-keybinding:") + kOurs;
}

QString failure(const QString& why)
{
    return QStringLiteral("GNOME's keyboard settings could not be changed: %1").arg(why);
}

}  // namespace

GnomeCustomKeybinding::GnomeCustomKeybinding(QString command, QObject* parent)
    : DesktopKeyBinding(parent)
    , m_command(std::move(command))
{
}

QString GnomeCustomKeybinding::configurationLine(const KeyboardShortcuts::Shortcut& shortcut) const
{
    return ShortcutNotation::gtkAccelerator(shortcut) + QStringLiteral(" → ") + m_command;
}

void GnomeCustomKeybinding::enqueue(Request request)
{
    m_queue.append(std::move(request));
    if (!isBusy()) {
        setBusy(true);
        m_queue.takeFirst()();
    }
}

void GnomeCustomKeybinding::finish(State state, const QString& problem)
{
    if (m_queue.isEmpty())
        setBusy(false);
    answer(state, problem);
    if (!m_queue.isEmpty())
        m_queue.takeFirst()();
}

void GnomeCustomKeybinding::withList(std::function<void(QStringList list)> next)
{
    m_settings.run({GSettingsTool::get(kMediaKeys, kList)}, [this, next](const Result<QString>& text) {
        const auto list = text ? GSettingsTool::parseList(*text) : std::nullopt;
        if (list)
            next(*list);
        else
            finish(State::Unknown,
                   failure(text ? QStringLiteral("the list of custom shortcuts reads %1").arg(*text) : text.error()));
    });
}

void GnomeCustomKeybinding::refresh()
{
    enqueue([this] {
        withList([this](const QStringList& list) { finish(list.contains(kOurs) ? State::Written : State::Absent); });
    });
}

void GnomeCustomKeybinding::write(const KeyboardShortcuts::Shortcut& shortcut)
{
    enqueue(
        [this, shortcut] { withList([this, shortcut](QStringList list) { writeWith(shortcut, std::move(list)); }); });
}

void GnomeCustomKeybinding::remove()
{
    enqueue([this] { withList([this](QStringList list) { removeWith(std::move(list)); }); });
}

// Only a binding that is there follows the recorder.
void GnomeCustomKeybinding::shortcutChanged(const std::optional<KeyboardShortcuts::Shortcut>& shortcut)
{
    enqueue([this, shortcut] {
        withList([this, shortcut](QStringList list) {
            if (!list.contains(kOurs))
                finish(State::Absent);
            else if (shortcut)
                writeWith(*shortcut, std::move(list));
            else
                removeWith(std::move(list));
        });
    });
}

// The binding's keys first, then the list: GNOME picks the shortcut up
// complete, never half written.
void GnomeCustomKeybinding::writeWith(const KeyboardShortcuts::Shortcut& shortcut, QStringList list)
{
    const QString accelerator = ShortcutNotation::gtkAccelerator(shortcut);
    const State before = list.contains(kOurs) ? State::Written : State::Absent;
    if (accelerator.isEmpty()) {
        finish(before, failure(QStringLiteral("GNOME has no name for %1").arg(shortcut.words())));
        return;
    }
    QList<QStringList> commands{
        GSettingsTool::set(bindingSchema(), QStringLiteral("name"),
                           GSettingsTool::quoted(QStringLiteral("Momentra: start or stop screenshots"))),
        GSettingsTool::set(bindingSchema(), QStringLiteral("command"), GSettingsTool::quoted(m_command)),
        GSettingsTool::set(bindingSchema(), QStringLiteral("binding"), GSettingsTool::quoted(accelerator)),
    };
    if (before == State::Absent)
        commands << GSettingsTool::set(kMediaKeys, kList, GSettingsTool::quotedList(list << kOurs));
    m_settings.run(commands, [this, before](const Result<QString>& done) {
        if (done)
            finish(State::Written);
        else
            finish(before, failure(done.error()));
    });
}

// Out of the list first: GNOME drops the shortcut before its keys go.
void GnomeCustomKeybinding::removeWith(QStringList list)
{
    QList<QStringList> commands;
    if (list.removeAll(kOurs) > 0)
        commands << GSettingsTool::set(kMediaKeys, kList, GSettingsTool::quotedList(list));
    for (const QString& key : {QStringLiteral("name"), QStringLiteral("command"), QStringLiteral("binding")})
        commands << GSettingsTool::reset(bindingSchema(), key);
    m_settings.run(commands, [this](const Result<QString>& done) {
        if (done)
            finish(State::Absent);
        else
            finish(State::Unknown, failure(done.error()));
    });
}
