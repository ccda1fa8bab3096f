#include "ui/ShortcutRecorder.h"

#include "core/shortcuts/HotKeyCenter.h"
#include "core/shortcuts/ShortcutRegistry.h"
#include "core/shortcuts/VirtualKeyCodes.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStyle>
#include <QVBoxLayout>

using KeyboardShortcuts::Name;

namespace {

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

QString modifierWords(Qt::KeyboardModifiers modifiers)
{
    using KeyboardShortcuts::Shortcut;
    return Shortcut::modifierWords(Shortcut::modifierMask(modifiers));
}

}  // namespace

QString ShortcutRecorder::recordShortcutText()
{
    return tr("Record Shortcut");
}

QString ShortcutRecorder::pressShortcutText()
{
    return tr("Press Shortcut");
}

ShortcutRecorder::ShortcutRecorder(const Name& name, ShortcutRegistry& registry, OnChange onChange, QWidget* parent)
    : QWidget(parent)
    , m_name(name)
    , m_registry(registry)
    , m_onChange(std::move(onChange))
    , m_field(new QLineEdit(this))
    , m_message(new QLabel(this))
{
    m_registry.declare(m_name);

    m_field->setReadOnly(true);
    m_field->setAlignment(Qt::AlignCenter);
    m_field->setContextMenuPolicy(Qt::NoContextMenu);
    m_field->setAccessibleName(tr("Keyboard shortcut"));
    m_field->installEventFilter(this);
    m_clearAction = m_field->addAction(
        QIcon::fromTheme(QStringLiteral("edit-clear"), style()->standardIcon(QStyle::SP_LineEditClearButton)),
        QLineEdit::TrailingPosition);
    m_clearAction->setToolTip(tr("Remove Shortcut"));
    connect(m_clearAction, &QAction::triggered, this, [this] {
        showMessage({});
        accept(std::nullopt);
    });

    m_message->setWordWrap(true);
    m_message->setVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_field);
    layout->addWidget(m_message);

    connect(&m_registry, &ShortcutRegistry::shortcutByNameDidChange, this, [this](const Name& changed) {
        if (changed == m_name && !m_recording)
            redisplay();
    });
    connect(&m_registry, &ShortcutRegistry::registrationFailed, this, [this](const Shortcut& shortcut, const QString&) {
        if (m_registry.shortcut(m_name) == shortcut)
            showMessage(tr("%1 is taken by the desktop or another application, so it won't work "
                           "right now. Record a different shortcut.")
                            .arg(shortcut.words()));
    });
    redisplay();
}

ShortcutRecorder::~ShortcutRecorder()
{
    if (m_recording)
        m_registry.setRecorderActive(false);
}

QString ShortcutRecorder::message() const
{
    return m_message->isVisible() ? m_message->text() : QString();
}

bool ShortcutRecorder::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_field)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        startRecording();
        break;
    case QEvent::FocusOut:
        stopRecording();
        break;
    case QEvent::ShortcutOverride:
        if (m_recording) {
            event->accept();  // our own window's shortcuts must not take the keys
            return true;
        }
        break;
    case QEvent::KeyPress:
        if (m_recording) {
            const auto* key = static_cast<QKeyEvent*>(event);
            handleKey(key->key(), key->modifiers());
            return true;
        }
        break;
    case QEvent::KeyRelease:
        if (m_recording) {
            const auto* key = static_cast<QKeyEvent*>(event);
            m_field->setText(modifierWords(key->modifiers()));
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void ShortcutRecorder::startRecording()
{
    if (m_recording)
        return;
    m_recording = true;
    m_field->clear();
    m_field->setPlaceholderText(pressShortcutText());
    m_clearAction->setVisible(false);
    m_registry.setRecorderActive(true);
}

void ShortcutRecorder::stopRecording()
{
    if (!m_recording)
        return;
    m_recording = false;
    redisplay();
    m_registry.setRecorderActive(false);
}

void ShortcutRecorder::handleKey(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers plain = modifiers & ~Qt::KeypadModifier;
    if (isModifierKey(qtKey)) {
        m_field->setText(modifierWords(modifiers));  // show what is held so far
        return;
    }
    if (plain == Qt::NoModifier && qtKey == Qt::Key_Escape) {
        m_field->clearFocus();  // cancel: keep what was there
        return;
    }
    if (plain == Qt::NoModifier && (qtKey == Qt::Key_Backspace || qtKey == Qt::Key_Delete)) {
        showMessage({});
        accept(std::nullopt);
        return;
    }
    const auto code = VirtualKeyCodes::fromQtKey(qtKey, modifiers & Qt::KeypadModifier);
    if (!code) {
        m_field->clear();
        showMessage(tr("This key can't be part of a shortcut. Try a letter, a number or a function key."));
        return;
    }
    const Shortcut shortcut = Shortcut::fromKey(*code, modifiers);
    QString warning;
    if (!checkConflicts(shortcut, &warning)) {
        m_field->clear();
        return;
    }
    accept(shortcut, warning);
}

// False when the shortcut is refused (the reason is shown); a warning to show
// alongside an accepted shortcut comes back in *warning.
bool ShortcutRecorder::checkConflicts(const Shortcut& shortcut, QString* warning)
{
    // Without Ctrl, Alt or Super a shortcut would fire while typing.
    const int typingSafe = Shortcut::kControl | Shortcut::kAlt | Shortcut::kSuper;
    if (!(shortcut.modifiers & typingSafe) && !VirtualKeyCodes::isFunctionKey(shortcut.keyCode)) {
        showMessage(tr("%1 would get in the way of typing. Add Ctrl, Alt or Super; only F1 to F20 "
                       "work on their own.")
                        .arg(shortcut.words()));
        return false;
    }

    if (!m_registry.center().service()) {
        // Nothing to check against, and nothing will fire: say so, keep it.
        *warning = tr("Global shortcuts don't work in this desktop session. You can bind a shortcut to "
                      "\u201cmomentra toggle\u201d in your desktop's keyboard settings instead.");
    } else if (const auto available = m_registry.center().probe(shortcut.keyCode, shortcut.modifiers); !available) {
        showMessage(tr("%1 can't be used as a global shortcut. %2").arg(shortcut.words(), available.error()));
        return false;
    }

    if (const auto item = menuItemUsing(shortcut)) {
        *warning = tr("%1 is also the shortcut of the menu item \u201c%2\u201d; the global shortcut "
                      "wins while Momentra is in front.")
                       .arg(shortcut.words(), *item);
    }
    return true;
}

std::optional<QString> ShortcutRecorder::menuItemUsing(const Shortcut& shortcut) const
{
    for (QWidget* widget : QApplication::allWidgets()) {
        const auto* menu = qobject_cast<QMenu*>(widget);
        if (!menu)
            continue;
        for (const QAction* action : menu->actions()) {
            for (const QKeySequence& sequence : action->shortcuts()) {
                if (sequence.count() != 1)
                    continue;
                const QKeyCombination combination = sequence[0];
                const auto code = VirtualKeyCodes::fromQtKey(combination.key(),
                                                             combination.keyboardModifiers() & Qt::KeypadModifier);
                if (code && Shortcut::fromKey(*code, combination.keyboardModifiers()) == shortcut)
                    return QString(action->text()).remove(QLatin1Char('&'));
            }
        }
    }
    return std::nullopt;
}

void ShortcutRecorder::accept(const std::optional<Shortcut>& shortcut, const QString& warning)
{
    showMessage(warning);
    m_registry.setShortcut(shortcut, m_name);
    if (m_onChange)
        m_onChange(shortcut);
    Q_EMIT shortcutChanged(shortcut);
    if (m_recording)
        m_field->clearFocus();  // ends recording; shortcuts resume
    redisplay();
}

void ShortcutRecorder::showMessage(const QString& text)
{
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

void ShortcutRecorder::redisplay()
{
    if (m_recording)
        return;
    const auto shortcut = m_registry.shortcut(m_name);
    m_field->setText(shortcut ? shortcut->words() : QString());
    m_field->setPlaceholderText(recordShortcutText());
    m_clearAction->setVisible(shortcut.has_value());
}
