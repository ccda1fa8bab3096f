#include "ui/settings/DesktopShortcutOffer.h"

#include "core/shortcuts/DesktopKeyBinding.h"
#include "core/shortcuts/ShortcutRegistry.h"
#include "ui/settings/SettingsForm.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

DesktopShortcutOffer::DesktopShortcutOffer(DesktopKeyBinding& binding, ShortcutRegistry& registry,
                                           KeyboardShortcuts::Name name, QWidget* parent)
    : QWidget(parent)
    , m_binding(binding)
    , m_registry(registry)
    , m_name(std::move(name))
    , m_sentence(SettingsForm::helpLabel(QString(), this))
    , m_button(new QPushButton(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins({});
    layout->addWidget(m_sentence);
    auto* row = new QHBoxLayout;
    if (!m_binding.canWrite()) {
        m_line = new QLineEdit(this);
        m_line->setReadOnly(true);
        m_line->setObjectName(QStringLiteral("desktopShortcutLine"));
        m_line->setAccessibleName(QStringLiteral("Line for the sway configuration"));
        row->addWidget(m_line, 1);
    }
    m_button->setObjectName(QStringLiteral("desktopShortcutButton"));
    row->addWidget(m_button);
    if (!m_line)
        row->addStretch(1);
    layout->addLayout(row);
    connect(m_button, &QPushButton::clicked, this, &DesktopShortcutOffer::buttonPressed);
    connect(&m_registry, &ShortcutRegistry::shortcutByNameDidChange, this, [this](const KeyboardShortcuts::Name& n) {
        if (n == m_name)
            redisplay();
    });
    connect(&m_binding, &DesktopKeyBinding::answered, this, &DesktopShortcutOffer::redisplay);
    if (m_binding.canWrite())
        m_binding.refresh();
    redisplay();
}

void DesktopShortcutOffer::buttonPressed()
{
    const auto shortcut = m_registry.shortcut(m_name);
    if (!m_binding.canWrite()) {
        QGuiApplication::clipboard()->setText(m_line->text());
        return;
    }
    if (m_binding.state() == DesktopKeyBinding::State::Written)
        m_binding.remove();
    else if (shortcut)
        m_binding.write(*shortcut);
    redisplay();
}

void DesktopShortcutOffer::redisplay()
{
    if (m_binding.canWrite())
        redisplayGnome();
    else
        redisplaySway();
}

void DesktopShortcutOffer::redisplaySway()
{
    const auto shortcut = m_registry.shortcut(m_name);
    const QString line = shortcut ? m_binding.configurationLine(*shortcut) : QString();
    m_line->setText(line);
    m_sentence->setText(line.isEmpty() ? tr("Record a shortcut to get the line for sway's configuration.")
                                       : tr("sway lets no app listen for keys. Add this line to your sway "
                                            "configuration (~/.config/sway/config) and reload sway:"));
    m_button->setText(tr("Copy"));
    m_button->setEnabled(!line.isEmpty());
    m_button->setAccessibleName(m_button->text());
}

// What the last answer from GNOME's settings said; the button waits while a request is on its way.
void DesktopShortcutOffer::redisplayGnome()
{
    const auto shortcut = m_registry.shortcut(m_name);
    const QString words = shortcut ? shortcut->words() : QString();
    const bool written = m_binding.state() == DesktopKeyBinding::State::Written;
    QString text;
    if (!m_binding.problem().isEmpty())
        text = m_binding.problem();
    else if (m_binding.state() == DesktopKeyBinding::State::Unknown)
        text = tr("Looking in GNOME's keyboard shortcuts\u2026");
    else if (written)
        text = tr("%1 is in GNOME's keyboard shortcuts (Settings, Keyboard, Custom Shortcuts) and runs "
                  "\u201cmomentra toggle\u201d.")
                   .arg(words.isEmpty() ? tr("Momentra's shortcut") : words);
    else if (shortcut)
        text = tr("GNOME lets no app listen for keys. Momentra can add %1 to GNOME's keyboard shortcuts, where it "
                  "runs \u201cmomentra toggle\u201d.")
                   .arg(words);
    else
        text = tr("Record a shortcut to add it to GNOME's keyboard shortcuts.");
    m_sentence->setText(text);
    m_button->setText(written ? tr("Remove from GNOME Shortcuts") : tr("Add to GNOME Shortcuts"));
    m_button->setEnabled(!m_binding.isBusy() && (written || shortcut.has_value()));
    m_button->setAccessibleName(m_button->text());
}
