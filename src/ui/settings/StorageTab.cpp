#include "ui/settings/StorageTab.h"

#include "core/StopFlag.h"
#include "core/WhenFinished.h"
#include "core/cleanup/CleanupController.h"
#include "core/cleanup/CleanupSentence.h"
#include "core/cleanup/CleanupSweeper.h"
#include "core/library/LibraryLayout.h"
#include "core/settings/Preferences.h"
#include "ui/settings/SettingsBinder.h"
#include "ui/settings/SettingsForm.h"
#include "ui/settings/SettingsPrompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QtConcurrent>

namespace {

const QString kSubfolder = QStringLiteral("Momentra");

// Bytes in the folder and below it, symbolic links not followed.
qint64 folderSize(const QString& folder)
{
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext())
        total += it.nextFileInfo().size();
    return total;
}

// Anything but day folders and exported videos (hidden entries aside).
bool holdsOtherFiles(const QString& folder)
{
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const bool dayFolder = entry.isDir() && !entry.isSymLink() && LibraryLayout::isDayFolderName(entry.fileName());
        const bool video = entry.fileName().startsWith(QLatin1String("Momentra_"))
                           && entry.fileName().endsWith(QLatin1String(".mp4"));
        if (!dayFolder && !video)
            return true;
    }
    return false;
}

QString dayCount(int days)
{
    return days == 1 ? QStringLiteral("1 day") : QStringLiteral("%1 days").arg(QLocale().toString(days));
}

QComboBox* picker(const char* key, const QList<std::pair<QString, QVariant>>& choices)
{
    auto* combo = new QComboBox;
    combo->setObjectName(QLatin1String(key));
    for (const auto& [label, data] : choices)
        combo->addItem(label, data);
    return combo;
}

}  // namespace

StorageTab::StorageTab(const SettingsContext& context, QWidget* parent)
    : QWidget(parent)
    , m_preferences(context.preferences)
    , m_cleanup(context.cleanup)
    , m_reveal(context.revealInFileManager)
    , m_prompts(std::make_shared<SettingsPrompts>())
    , m_clock([] { return QDateTime::currentDateTime(); })
    , m_path(new QLabel)
    , m_used(new QLabel)
    , m_policy(new QComboBox)
{
    auto* form = new SettingsForm(this);
    auto* binder = new SettingsBinder(m_preferences, this);

    m_path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_path->setWordWrap(true);
    form->addLabelledRow(QStringLiteral("Folder"), m_path);
    form->addFieldRow(m_used);
    auto* buttons = new QWidget;
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    auto* reveal = new QPushButton(QIcon::fromTheme(QStringLiteral("folder-open")),
                                   QStringLiteral("Show in File Manager"));
    auto* choose = new QPushButton(QStringLiteral("Choose…"));
    row->addWidget(reveal);
    row->addWidget(choose);
    row->addStretch();
    form->addFieldRow(buttons);
    form->addHelp(QStringLiteral("Momentra creates one folder per day inside this folder."));
    connect(reveal, &QPushButton::clicked, this, [this] {
        const QUrl folder = QUrl::fromLocalFile(m_preferences.folderPath());
        if (m_reveal)
            m_reveal({folder});
        else
            QDesktopServices::openUrl(folder);
    });
    connect(choose, &QPushButton::clicked, this, &StorageTab::chooseFolder);

    QComboBox* freeSpace = picker("Momentra.freeSpaceLimitGB", {{QStringLiteral("Never"), 0},
                                                                {QStringLiteral("1 GB"), 1},
                                                                {QStringLiteral("5 GB"), 5},
                                                                {QStringLiteral("10 GB"), 10},
                                                                {QStringLiteral("20 GB"), 20}});
    form->addLabelledRow(QStringLiteral("Pause capture when free space is below"), freeSpace);
    binder->bind(freeSpace);
    form->addHelp(QStringLiteral("Capture picks up again by itself once there's room."));

    m_policy->setObjectName(QStringLiteral("Momentra.deletionPolicy"));
    for (DeletionPolicy policy : DeletionPolicies::all())
        m_policy->addItem(DeletionPolicies::rawValue(policy), DeletionPolicies::rawValue(policy));
    form->addLabelledRow(QStringLiteral("Delete screenshots older than"), m_policy);
    connect(m_policy, &QComboBox::activated, this, &StorageTab::pickPolicy);

    auto* permanently = new QCheckBox(QStringLiteral("Delete permanently instead of moving to the Trash"));
    permanently->setObjectName(QStringLiteral("Momentra.deletesPermanently"));
    form->addFieldRow(permanently);
    binder->bind(permanently);
    m_permanentlyHelp = form->addHelp(QString());

    // How cleanup goes, where this process sweeps: the running engine, or a set-up that told a result.
    if (m_cleanup && (context.engine || m_cleanup->lastCleanup())) {
        m_status = form->addHelp(QString());
        connect(m_cleanup, &CleanupController::lastCleanupChanged, this, &StorageTab::showStatus);
        auto* tick = new QTimer(this);  // "Checked 2 minutes ago" keeps counting
        connect(tick, &QTimer::timeout, this, &StorageTab::showStatus);
        tick->start(30'000);
    }
    if (m_cleanup) {
        m_deleteAll = new QPushButton(QIcon::fromTheme(QStringLiteral("edit-delete")),
                                      QStringLiteral("Delete All Screenshots…"));
        m_deleteAll->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        form->addFieldRow(m_deleteAll);
        m_deleteAllMessage = form->addHelp(QString());
        m_deleteAllMessage->hide();
        connect(m_deleteAll, &QPushButton::clicked, this, &StorageTab::deleteAll);
    }

    connect(&m_preferences, &Preferences::changed, this, [this](const QString& key) {
        if (key == Preferences::key("folderPath"))
            showFolder();
        else if (key == Preferences::key("deletionPolicy"))
            showPolicy();
        else if (key == Preferences::key("deletesPermanently"))
            showPermanentlyHelp(), showStatus();
    });
    showFolder();
    showPolicy();
    showPermanentlyHelp();
}

template <typename Then>
void StorageTab::preview(const QString& folder, qint64 maxAgeSeconds, Then then)
{
    const QDateTime now = m_clock();
    const auto sweep = QtConcurrent::run([folder, maxAgeSeconds, now] {
        CleanupSweeper sweeper(nullptr);
        sweeper.setDryRun(true);
        return sweeper.sweep(folder, maxAgeSeconds, false, StopFlag(), now);
    });
    whenFinished(sweep, this, [this, then](const std::optional<SweepResult>& result) {
        then(result);
        Q_EMIT checked();
    });
}

void StorageTab::showFolder()
{
    const QString folder = m_preferences.folderPath();
    m_path->setText(QDir::toNativeSeparators(folder));
    m_used->setText(QStringLiteral("Used: …"));
    const quint64 generation = ++m_usedGeneration;
    whenFinished(QtConcurrent::run(folderSize, folder), this, [this, generation](qint64 bytes) {
        if (generation == m_usedGeneration)
            m_used->setText(QStringLiteral("Used: ") + QLocale().formattedDataSize(bytes));
    });
    showStatus();
}

void StorageTab::showPolicy()
{
    m_policy->setCurrentIndex(m_policy->findData(DeletionPolicies::rawValue(m_preferences.deletionPolicy())));
}

void StorageTab::showPermanentlyHelp()
{
    m_permanentlyHelp->setText(
        m_preferences.deletesPermanently()
            ? QStringLiteral("Only Momentra's own screenshots are deleted, from its dated folders. Nothing else in the "
                             "folder is touched.")
            : QStringLiteral("Only Momentra's own screenshots are moved to the Trash, from its dated folders. Nothing "
                             "else in the folder is touched. Empty the Trash to free the space."));
}

void StorageTab::showStatus()
{
    if (m_status)
        m_status->setText(
            CleanupSentence::status(m_cleanup->lastCleanup(), m_preferences.deletesPermanently(), m_clock()));
}

QString StorageTab::removalWords() const
{
    return m_preferences.deletesPermanently() ? QStringLiteral("deleted permanently")
                                              : QStringLiteral("moved to the Trash");
}

// A policy that would remove screenshots now waits for a confirmation; the
// picker shows the choice meanwhile and the stored one again on cancel.
void StorageTab::pickPolicy(int index)
{
    const auto policy = DeletionPolicies::fromRawValue(m_policy->itemData(index).toString());
    const auto maxAge = policy ? DeletionPolicies::maximumAgeSeconds(*policy) : std::nullopt;
    if (!policy || *policy == m_preferences.deletionPolicy())
        return;
    if (!maxAge) {
        m_preferences.setDeletionPolicy(*policy);
        return;
    }
    preview(m_preferences.folderPath(), *maxAge, [this, policy](const std::optional<SweepResult>& old) {
        if (!old || old->trashed == 0) {
            m_preferences.setDeletionPolicy(*policy);
            return;
        }
        const bool permanently = m_preferences.deletesPermanently();
        const QString text =
            old->dayFolders > 0
                ? QStringLiteral("Screenshots from %1 will be %2.").arg(dayCount(old->dayFolders), removalWords())
                : QStringLiteral("They'll be %1.").arg(removalWords());
        const int answer = m_prompts->ask(
            this,
            {QStringLiteral("Delete screenshots older than %1?").arg(DeletionPolicies::rawValue(*policy).toLower()),
             text,
             {permanently ? QStringLiteral("Delete") : QStringLiteral("Move to Trash"), QStringLiteral("Cancel")},
             1,
             0});
        if (answer == 0)
            m_preferences.setDeletionPolicy(*policy);
        else
            showPolicy();
    });
}

void StorageTab::chooseFolder()
{
    QString folder = m_prompts->chooseFolder(this, QStringLiteral("Choose Screenshots Folder"),
                                             m_preferences.folderPath());
    if (folder.isEmpty())
        return;
    if (holdsOtherFiles(folder)) {
        const int answer = m_prompts->ask(
            this, {QStringLiteral("Save screenshots in their own folder?"),
                   QStringLiteral("“%1” already contains other files. Momentra creates one folder per day inside "
                                  "whichever folder you choose, and automatically deletes old screenshots from those "
                                  "day folders.")
                       .arg(QFileInfo(folder).fileName()),
                   {QStringLiteral("Use a “%1” Folder").arg(kSubfolder), QStringLiteral("Cancel")},
                   1});
        if (answer != 0)
            return;
        folder = QDir(folder).filePath(kSubfolder);
    }
    const auto maxAge = DeletionPolicies::maximumAgeSeconds(m_preferences.deletionPolicy());
    if (!maxAge) {
        useFolder(folder);
        return;
    }
    preview(folder, *maxAge, [this, folder](const std::optional<SweepResult>& old) { confirmFolder(folder, old); });
}

void StorageTab::confirmFolder(const QString& folder, const std::optional<SweepResult>& old)
{
    if (!old || old->trashed == 0) {
        useFolder(folder);
        return;
    }
    const QString policy = DeletionPolicies::rawValue(m_preferences.deletionPolicy()).toLower();
    const int answer = m_prompts->ask(
        this,
        {QStringLiteral("Use a folder with old screenshots?"),
         QStringLiteral("It has screenshots from %1 older than %2. Cleanup will %3. Turn off cleanup to keep them.")
             .arg(dayCount(qMax(1, old->dayFolders)), policy,
                  m_preferences.deletesPermanently() ? QStringLiteral("delete them permanently")
                                                     : QStringLiteral("move them to the Trash")),
         {QStringLiteral("Use Folder"), QStringLiteral("Turn Off Cleanup"), QStringLiteral("Cancel")},
         2});
    if (answer == 2)
        return;
    if (answer == 1)
        m_preferences.setDeletionPolicy(DeletionPolicy::Never);
    useFolder(folder);
}

void StorageTab::useFolder(QString folder)
{
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_preferences.setFolderPath(folder);
}

void StorageTab::deleteAll()
{
    const QString folder = m_preferences.folderPath();
    m_deleteAll->setEnabled(false);
    preview(folder, 0, [this, folder](const std::optional<SweepResult>& count) { confirmDeleteAll(folder, count); });
}

void StorageTab::confirmDeleteAll(const QString& folder, const std::optional<SweepResult>& count)
{
    auto say = [this](const QString& message) {
        m_deleteAllMessage->setText(message);
        m_deleteAllMessage->show();
        m_deleteAll->setEnabled(true);
    };
    if (!count || count->trashed == 0) {
        say(count ? QStringLiteral("No screenshots to delete.") : CleanupSentence::couldNotOpenFolder());
        return;
    }
    const bool permanently = m_preferences.deletesPermanently();
    const int answer = m_prompts->ask(
        this,
        {count->trashed == 1 ? QStringLiteral("Delete 1 screenshot?")
                             : QStringLiteral("Delete all %1 screenshots?").arg(QLocale().toString(count->trashed)),
         QStringLiteral("Every screenshot Momentra saved in “%1” will be %2 Exported videos and your other files "
                        "stay.")
             .arg(QFileInfo(folder).fileName(),
                  permanently ? QStringLiteral("deleted permanently.") : QStringLiteral("moved to the Trash.")),
         {permanently ? QStringLiteral("Delete") : QStringLiteral("Move to Trash"), QStringLiteral("Cancel")},
         1,
         0});
    if (answer != 0) {
        m_deleteAll->setEnabled(true);
        return;
    }
    say(permanently ? QStringLiteral("Deleting screenshots…") : QStringLiteral("Moving screenshots to the Trash…"));
    m_deleteAll->setEnabled(false);
    whenFinished(m_cleanup->deleteAll(folder, permanently), this,
                 [this, say, permanently](const std::optional<SweepResult>& result) {
                     say(CleanupSentence::outcome(result, permanently, QStringLiteral("No screenshots to delete.")));
                     showFolder();
                     Q_EMIT checked();
                 });
}
