#include "ui/settings/OcrTab.h"

#include "core/WhenFinished.h"
#include "core/capture/ScreenshotManager.h"
#include "core/settings/Preferences.h"
#include "core/textsearch/LiveTextSearchSettings.h"
#include "core/textsearch/TextRecognizer.h"
#include "core/textsearch/TextSearchScan.h"
#include "ui/settings/SettingsBinder.h"
#include "ui/settings/SettingsForm.h"
#include "ui/settings/SettingsPrompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QtConcurrent>

#include <algorithm>

namespace {

QString grouped(qint64 number)
{
    return QLocale().toString(number);
}

// A row of a title with a secondary line under it, and a button beside them.
QWidget* actionRow(const QString& title, const QString& secondary, QWidget* label, QPushButton* button)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* texts = new QVBoxLayout;
    if (!title.isEmpty())
        texts->addWidget(new QLabel(title));
    if (!secondary.isEmpty())
        texts->addWidget(SettingsForm::helpLabel(secondary));
    if (label)
        texts->addWidget(label);
    layout->addLayout(texts, 1);
    layout->addWidget(button, 0, Qt::AlignTop);
    return row;
}

}  // namespace

QString OcrTab::countsSentence(const std::optional<TextSearchController::Counts>& counts)
{
    if (!counts)
        return QStringLiteral("Counting…");
    if (counts->total == 0)
        return QStringLiteral("No screenshots yet.");
    QString sentence =
        counts->searchable == counts->total
            ? QStringLiteral("Searchable: all %1").arg(grouped(counts->total))
            : QStringLiteral("Searchable: %1 of %2").arg(grouped(counts->searchable), grouped(counts->total));
    if (counts->readWithFast > 0)
        sentence += QStringLiteral(", %1 with Fast").arg(grouped(counts->readWithFast));
    return sentence;
}

QString OcrTab::languageName(const QString& identifier)
{
    // Tesseract names languages by ISO 639-2 codes, a script or variant after "_":
    // "deu", "chi_sim", "srp_latn", "deu_latf".
    const QString code = identifier.section(QLatin1Char('_'), 0, 0);
    const QString variant = identifier.section(QLatin1Char('_'), 1);
    const QLocale::Language language = QLocale::codeToLanguage(code, QLocale::AnyLanguageCode);
    if (language == QLocale::AnyLanguage || language == QLocale::C)
        return identifier;
    QString name = QLocale::languageToString(language);
    if (variant.isEmpty())
        return name;
    const QLocale::Script script = variant == QLatin1String("sim")   ? QLocale::SimplifiedHanScript
                                   : variant == QLatin1String("tra") ? QLocale::TraditionalHanScript
                                                                     : QLocale::codeToScript(variant);
    return name + QStringLiteral(" (%1)").arg(script == QLocale::AnyScript ? variant : QLocale::scriptToString(script));
}

QString OcrTab::startFolder()
{
    // Qt reads the same user-dirs.dirs as xdg-user-dir.
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    for (const QString& folder : {pictures + QStringLiteral("/Screenshots"), pictures}) {
        if (QFileInfo(folder).isDir())
            return folder;
    }
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

OcrTab::OcrTab(const SettingsContext& context, QWidget* parent)
    : QWidget(parent)
    , m_preferences(context.preferences)
    , m_controller(context.textSearch)
    , m_prompts(std::make_shared<SettingsPrompts>())
    , m_language(new QComboBox)
    , m_counts(SettingsForm::helpLabel(QString()))
    , m_readAll(new QPushButton(QStringLiteral("Make Existing Screenshots Searchable…")))
    , m_readFolder(new QPushButton(QStringLiteral("Make a Folder Searchable…")))
{
    auto* form = new SettingsForm(this);
    auto* binder = new SettingsBinder(m_preferences, this);
    auto* automatic = new QCheckBox(QStringLiteral("Make new screenshots searchable automatically"));
    automatic->setObjectName(QStringLiteral("Momentra.searchesText"));
    form->addFieldRow(automatic);
    binder->bind(automatic);
    form->addHelp(QStringLiteral("Recognizes the text in each new screenshot and saves it with the file, so "
                                 "Momentra's search finds the screenshot by its text."));
    form->addHelp(QStringLiteral("The text is recognized on this computer and never leaves it."));

    auto* level = new QComboBox;
    level->setObjectName(QStringLiteral("Momentra.textRecognitionLevel"));
    for (TextRecognitionLevel each : {TextRecognitionLevel::Accurate, TextRecognitionLevel::Fast})
        level->addItem(TextRecognitionLevels::rawValue(each), TextRecognitionLevels::rawValue(each));
    form->addLabelledRow(QStringLiteral("Recognition"), level);
    binder->bind(level);
    form->addHelp(QStringLiteral("Accurate recognizes almost all of the text. Fast uses far less power but misses some "
                                 "small text. Don't use Fast with Half size on HiDPI displays, since it misses most of "
                                 "the small text there."));
    m_language->setObjectName(QStringLiteral("Momentra.textRecognitionLanguage"));
    form->addLabelledRow(QStringLiteral("Language"), m_language);
    showLanguages();
    binder->bind(m_language);
    showLanguage();
    auto* correction = new QCheckBox(QStringLiteral("Use language correction"));
    correction->setObjectName(QStringLiteral("Momentra.usesTextLanguageCorrection"));
    form->addFieldRow(correction);
    binder->bind(correction);
    form->addHelp(QStringLiteral("Fixes misread words with a dictionary, but can change code and names."));

    if (m_controller) {
        m_captureRun = makeRunBlock(QStringLiteral("screenshots"), actionRow({}, {}, m_counts, m_readAll));
        form->addRow(QStringLiteral("Screenshots folder:"), m_captureRun.idle);
        form->addRow(QString(), m_captureRun.running);
        form->addRow(QString(), m_captureRun.note);
        m_folderRun = makeRunBlock(
            QStringLiteral("images"),
            actionRow(QStringLiteral("Images in another folder"),
                      QStringLiteral("Recognizes the text in the images in a folder and its subfolders, such as "
                                     "screenshots you saved yourself."),
                      nullptr, m_readFolder));
        form->addRow(QStringLiteral("Other folder:"), m_folderRun.idle);
        form->addRow(QString(), m_folderRun.running);
        form->addRow(QString(), m_folderRun.note);
        connect(m_readAll, &QPushButton::clicked, this, &OcrTab::readCaptureFolder);
        connect(m_readFolder, &QPushButton::clicked, this, &OcrTab::readOtherFolder);
        connect(m_controller, &TextSearchController::changed, this, &OcrTab::refresh);
        if (context.engine) {
            m_savedSinceLaunch = context.engine->savedSinceLaunch();
            connect(context.engine, &ScreenshotManager::savedSinceLaunchChanged, this, [this, engine = context.engine] {
                const int added = engine->savedSinceLaunch() - m_savedSinceLaunch;
                m_savedSinceLaunch = engine->savedSinceLaunch();
                if (auto counts = m_controller->counts(); counts && added > 0) {
                    counts->total += added;
                    (m_preferences.searchesText() ? counts->searchable : counts->toRead) += added;
                    m_controller->setCounts(counts);
                }
            });
        }
    }
    connect(&m_preferences, &Preferences::changed, this, [this](const QString& key) {
        if (key == Preferences::key("textRecognitionLevel"))
            levelChanged();
        else if (key == Preferences::key("textRecognitionLanguage"))
            showLanguage(), applySettings();
        else if (key == Preferences::key("searchesText") || key == Preferences::key("usesTextLanguageCorrection"))
            applySettings();
        else if (key == Preferences::key("folderPath"))
            recount();
    });
    refresh();
}

void OcrTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    recount();
}

OcrTab::RunBlock OcrTab::makeRunBlock(const QString& noun, QWidget* idle)
{
    RunBlock block;
    block.idle = idle;
    block.running = new QWidget;
    auto* layout = new QVBoxLayout(block.running);
    layout->setContentsMargins(0, 0, 0, 0);
    block.title = new QLabel(QStringLiteral("Recognizing text in %1…").arg(noun));
    block.stop = new QPushButton(QStringLiteral("Stop"));
    block.bar = new QProgressBar;
    block.bar->setRange(0, 1000);
    block.bar->setTextVisible(false);
    block.bar->setAccessibleName(block.title->text());
    block.caption = SettingsForm::helpLabel(QString());
    auto* top = new QHBoxLayout;
    top->addWidget(block.title, 1);
    top->addWidget(block.stop);
    layout->addLayout(top);
    layout->addWidget(block.bar);
    layout->addWidget(block.caption);
    block.note = SettingsForm::helpLabel(QString());
    connect(block.stop, &QPushButton::clicked, m_controller, &TextSearchController::stop);
    return block;
}

TextSearchSettings OcrTab::settings() const
{
    return {m_preferences.textRecognitionLevel(), m_preferences.textRecognitionLanguage(),
            m_preferences.usesTextLanguageCorrection()};
}

// "Automatic" first, then the recogniser's languages for the stored level by name.
void OcrTab::showLanguages()
{
    QStringList languages;
    if (m_controller && m_controller->recognizer())
        languages = m_controller->recognizer()->supportedLanguages(m_preferences.textRecognitionLevel());
    std::sort(languages.begin(), languages.end(),
              [](const QString& a, const QString& b) { return languageName(a) < languageName(b); });
    m_language->clear();
    m_language->addItem(QStringLiteral("Automatic"));
    for (const QString& language : languages)
        m_language->addItem(languageName(language), language);
}

// A language the new level does not offer falls back to "Automatic".
void OcrTab::levelChanged()
{
    const std::optional<QString> language = m_preferences.textRecognitionLanguage();
    showLanguages();
    if (language && m_language->findData(*language) < 0)
        m_preferences.setTextRecognitionLanguage(std::nullopt);
    showLanguage();
    applySettings();
    recount();
}

// A stored language the recogniser does not offer shows as "Automatic".
void OcrTab::showLanguage()
{
    const std::optional<QString> stored = m_preferences.textRecognitionLanguage();
    m_language->setCurrentIndex(stored ? qMax(0, m_language->findData(*stored)) : 0);
}

// The engine follows the settings by itself; a running bulk run reads them before its next image.
void OcrTab::applySettings()
{
    if (m_controller)
        m_controller->liveSettings()->update(settings());
}

void OcrTab::recount()
{
    if (m_controller)
        m_controller->refreshCounts(m_preferences.folderPath(), m_preferences.textRecognitionLevel());
}

void OcrTab::readCaptureFolder()
{
    const auto counts = m_controller->counts();
    const int toRead = counts ? counts->toRead : 0;
    const int fast = counts ? counts->readWithFast : 0;
    const QString fastNote =
        fast == 0        ? QString()
        : fast == toRead ? QStringLiteral("They were recognized with Fast and will be recognized again with Accurate. ")
                         : QStringLiteral("%1 of them were recognized with Fast and will be recognized again with "
                                          "Accurate. ")
                               .arg(grouped(fast));
    const int answer = m_prompts->ask(
        this, {QStringLiteral("Recognize the text in %1 screenshot%2?")
                   .arg(grouped(toRead), counts && toRead == 1 ? QString() : QStringLiteral("s")),
               fastNote
                   + QStringLiteral("This takes %1. You can keep working, and stop it at any time.")
                         .arg(TextSearchController::estimatedDuration(toRead, m_preferences.textRecognitionLevel())),
               {QStringLiteral("Recognize Text"), QStringLiteral("Cancel")},
               1});
    if (answer == 0)
        m_controller->readCaptureFolder(m_preferences.folderPath(), settings());
}

void OcrTab::readOtherFolder()
{
    const QString folder = m_prompts->chooseFolder(
        this, QStringLiteral("Momentra recognizes the text in the images in this folder and its subfolders."),
        startFolder());
    if (folder.isEmpty())
        return;
    m_folderMessage.reset();
    m_isFindingImages = true;
    refresh();
    const TextRecognitionLevel level = m_preferences.textRecognitionLevel();
    whenFinished(
        QtConcurrent::run(&TextSearchScan::findImages, folder, level), this,
        [this, folder](const TextSearchScan::ImagesResult& found) {
            m_isFindingImages = false;
            const QString name = QFileInfo(folder).fileName();
            if (found.imageCount == 0)
                m_folderMessage = QStringLiteral("No images in “%1”.").arg(name);
            else if (found.toRead.isEmpty())
                m_folderMessage = QStringLiteral("Every image in “%1” is already searchable.").arg(name);
            refresh();
            if (m_folderMessage)
                return;
            const qsizetype count = found.toRead.size();
            const int answer = m_prompts->ask(
                this, {QStringLiteral("Recognize the text in %1 image%2 in “%3”?")
                           .arg(grouped(count), count == 1 ? QString() : QStringLiteral("s"), name),
                       QStringLiteral("This takes %1.")
                           .arg(TextSearchController::estimatedDuration(count, m_preferences.textRecognitionLevel())),
                       {QStringLiteral("Recognize Text"), QStringLiteral("Cancel")},
                       1});
            if (answer == 0)
                m_controller->readFolder(folder, found.toRead, settings());
        });
}

void OcrTab::refresh()
{
    if (!m_controller)
        return;
    const bool running = m_controller->isRunning();
    const bool captureRun = m_controller->isCaptureFolderRun();
    const auto counts = m_controller->counts();
    m_counts->setText(countsSentence(counts));
    m_readAll->setEnabled(counts && counts->toRead > 0 && !running);
    m_readFolder->setEnabled(!running && !m_isFindingImages);
    showRun(m_captureRun, running && captureRun);
    showRun(m_folderRun, running && !captureRun);
    const QString status = m_controller->statusText().value_or(QString());
    m_captureRun.note->setText(captureRun ? status : QString());
    m_folderRun.note->setText(m_isFindingImages ? QStringLiteral("Looking for images…")
                              : m_folderMessage ? *m_folderMessage
                              : !captureRun     ? status
                                                : QString());
    m_captureRun.note->setVisible(!m_captureRun.note->text().isEmpty());
    m_folderRun.note->setVisible(!m_folderRun.note->text().isEmpty());
}

void OcrTab::showRun(const RunBlock& block, bool isThisRun)
{
    block.idle->setVisible(!isThisRun);
    block.running->setVisible(isThisRun);
    if (!isThisRun)
        return;
    const bool stopping = m_controller->isStopping();
    block.stop->setText(stopping ? QStringLiteral("Stopping…") : QStringLiteral("Stop"));
    block.stop->setEnabled(!stopping);
    block.bar->setValue(int(m_controller->fraction() * 1000));
    const int total = m_controller->total();
    block.caption->setText(total > 0
                               ? QStringLiteral("%1 of %2").arg(grouped(m_controller->completed()), grouped(total))
                               : QStringLiteral("Counting…"));
}
