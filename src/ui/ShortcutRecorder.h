#pragma once

#include "core/shortcuts/Name.h"
#include "core/shortcuts/Shortcut.h"

#include <QWidget>

#include <functional>
#include <optional>

class QAction;
class QLabel;
class QLineEdit;
class ShortcutRegistry;

// A field that records a global shortcut for one name. Focusing it starts
// recording (the name's shortcuts are paused meanwhile, so the current one
// can be pressed again); the next combination is checked and stored, and
// shown in words ("Alt+Shift+S"). Escape cancels, Backspace or Delete alone clears, and so
// does the clear button. Refusals and warnings appear as a line of text
// under the field, never as a dialog.
class ShortcutRecorder : public QWidget
{
    Q_OBJECT

public:
    using Shortcut = KeyboardShortcuts::Shortcut;
    using OnChange = std::function<void(const std::optional<Shortcut>&)>;

    static QString recordShortcutText();  // placeholder while idle
    static QString pressShortcutText();   // placeholder while recording

    ShortcutRecorder(const KeyboardShortcuts::Name& name, ShortcutRegistry& registry, OnChange onChange = {},
                     QWidget* parent = nullptr);
    ~ShortcutRecorder() override;

    bool isRecording() const { return m_recording; }
    QLineEdit* field() const { return m_field; }
    QAction* clearAction() const { return m_clearAction; }
    QString message() const;

Q_SIGNALS:
    void shortcutChanged(const std::optional<KeyboardShortcuts::Shortcut>& shortcut);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startRecording();
    void stopRecording();
    void handleKey(int qtKey, Qt::KeyboardModifiers modifiers);
    bool checkConflicts(const Shortcut& shortcut, QString* warning);
    std::optional<QString> menuItemUsing(const Shortcut& shortcut) const;
    void accept(const std::optional<Shortcut>& shortcut, const QString& warning = {});
    void showMessage(const QString& text);
    void redisplay();

    KeyboardShortcuts::Name m_name;
    ShortcutRegistry& m_registry;
    OnChange m_onChange;
    QLineEdit* m_field;
    QAction* m_clearAction;
    QLabel* m_message;
    bool m_recording = false;
};
