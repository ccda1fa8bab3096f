#pragma once

#include "core/textsearch/TextSearchController.h"
#include "ui/settings/SettingsContext.h"

#include <QWidget>

#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class SettingsPrompts;

// Text recognition: the automatic switch, level, language and correction,
// how many screenshots are searchable, and the two bulk runs (the
// screenshots folder, any other folder) with their progress and stop.
class OcrTab : public QWidget
{
    Q_OBJECT

public:
    explicit OcrTab(const SettingsContext& context, QWidget* parent = nullptr);

    void setPrompts(std::shared_ptr<SettingsPrompts> prompts) { m_prompts = std::move(prompts); }

    // "Counting…", "No screenshots yet.", "Searchable: all 1,204", "Searchable: 3 of 5, 2 with Fast".
    static QString countsSentence(const std::optional<TextSearchController::Counts>& counts);
    // The current locale's name for a recogniser's language ("deu", "chi_sim"), else the identifier.
    static QString languageName(const QString& identifier);
    // The Screenshots folder in the user's Pictures folder (xdg-user-dir PICTURES) when it
    // exists, else Pictures, else the Desktop.
    static QString startFolder();

    void readCaptureFolder();
    void readOtherFolder();
    QComboBox* languagePicker() const { return m_language; }
    QLabel* countsLabel() const { return m_counts; }

protected:
    void showEvent(QShowEvent* event) override;  // counts again each time the tab is shown

private:
    struct RunBlock
    {
        QWidget* idle = nullptr;  // the row that starts a run
        QWidget* running = nullptr;
        QLabel* title = nullptr;
        QPushButton* stop = nullptr;
        QProgressBar* bar = nullptr;
        QLabel* caption = nullptr;
        QLabel* note = nullptr;  // beneath: status and messages
    };
    RunBlock makeRunBlock(const QString& noun, QWidget* idle);
    void showLanguages();
    void levelChanged();
    void applySettings();
    void recount();
    void showLanguage();
    void refresh();
    void showRun(const RunBlock& block, bool isThisRun);
    TextSearchSettings settings() const;

    Preferences& m_preferences;
    TextSearchController* m_controller;
    std::shared_ptr<SettingsPrompts> m_prompts;
    QComboBox* m_language;
    QLabel* m_counts;
    QPushButton* m_readAll;
    QPushButton* m_readFolder;
    RunBlock m_captureRun;
    RunBlock m_folderRun;
    bool m_isFindingImages = false;
    std::optional<QString> m_folderMessage;
    int m_savedSinceLaunch = 0;
};
