#pragma once

#include "core/cleanup/DeletionPolicy.h"
#include "core/cleanup/SweepResult.h"
#include "ui/settings/SettingsContext.h"

#include <QDateTime>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class SettingsPrompts;

// The screenshots folder, the free-space pause, the cleanup policy and
// deleting all screenshots. A change that would remove or move screenshots
// asks first; cancelling leaves the setting and its control as they were.
class StorageTab : public QWidget
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    explicit StorageTab(const SettingsContext& context, QWidget* parent = nullptr);

    void setPrompts(std::shared_ptr<SettingsPrompts> prompts) { m_prompts = std::move(prompts); }
    void setClock(Clock clock) { m_clock = std::move(clock); }

    void chooseFolder();
    void deleteAll();

    QComboBox* policyPicker() const { return m_policy; }
    QLabel* usedLabel() const { return m_used; }
    QLabel* deleteAllMessage() const { return m_deleteAllMessage; }

Q_SIGNALS:
    // A background check ended and the tab acted on its answer.
    void checked();

private:
    void pickPolicy(int index);
    void useFolder(QString folder);
    void confirmFolder(const QString& folder, const std::optional<SweepResult>& old);
    void confirmDeleteAll(const QString& folder, const std::optional<SweepResult>& count);
    void showFolder();
    void showPolicy();
    void showPermanentlyHelp();
    void showStatus();
    QString removalWords() const;  // "moved to the Trash" / "deleted permanently"
    // What cleanup with this age would remove from the folder now, counted off the main thread.
    template <typename Then>
    void preview(const QString& folder, qint64 maxAgeSeconds, Then then);

    Preferences& m_preferences;
    CleanupController* m_cleanup;
    std::function<void(const QList<QUrl>&)> m_reveal;
    std::shared_ptr<SettingsPrompts> m_prompts;
    Clock m_clock;
    QLabel* m_path;
    QLabel* m_used;
    QComboBox* m_policy;
    QLabel* m_permanentlyHelp;
    QLabel* m_status = nullptr;
    QPushButton* m_deleteAll = nullptr;
    QLabel* m_deleteAllMessage = nullptr;
    quint64 m_usedGeneration = 0;
};
