#include "ui/updates/UpdateAnswerWindow.h"

#include "ui/settings/SettingsForm.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

constexpr int kIconSize = 48;
constexpr int kWidth = 420;

}  // namespace

UpdateAnswerWindow::UpdateAnswerWindow(Updater& updater, Actions actions, QWidget* parent)
    : QDialog(parent)
    , m_updater(updater)
    , m_actions(std::move(actions))
    , m_icon(new QLabel)
    , m_title(new QLabel)
    , m_text(new QLabel)
    , m_notes(new QTextBrowser)
    , m_busy(new QProgressBar)
    , m_buttons(new QDialogButtonBox)
{
    setWindowTitle(QStringLiteral("Software Update"));
    setWindowIcon(SettingsForm::themeIcon(QStringLiteral("system-software-update")));
    setObjectName(QStringLiteral("updateAnswer"));
    QFont bold = m_title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    m_title->setFont(bold);
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setWordWrap(true);
    m_text->setObjectName(QStringLiteral("text"));
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_notes->setObjectName(QStringLiteral("notes"));
    m_notes->setAccessibleName(QStringLiteral("Release notes"));
    m_notes->setOpenExternalLinks(false);
    m_notes->setMaximumHeight(160);
    m_busy->setRange(0, 0);
    m_busy->setTextVisible(false);
    m_busy->setAccessibleName(QStringLiteral("Working"));
    m_icon->setFixedSize(kIconSize, kIconSize);
    m_icon->setAlignment(Qt::AlignTop);

    m_accept = m_buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_later = m_buttons->addButton(QStringLiteral("Later"), QDialogButtonBox::RejectRole);
    connect(m_accept, &QPushButton::clicked, this, &UpdateAnswerWindow::accepted);
    connect(m_later, &QPushButton::clicked, this, &QDialog::reject);

    auto* column = new QVBoxLayout;
    column->addWidget(m_title);
    column->addWidget(m_text);
    column->addWidget(m_notes);
    column->addWidget(m_busy);
    auto* top = new QHBoxLayout;
    top->addWidget(m_icon, 0, Qt::AlignTop);
    top->addLayout(column, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_buttons);
    setMinimumWidth(kWidth);

    connect(&m_updater, &Updater::checkFinished, this, &UpdateAnswerWindow::showAnswer);
    connect(&m_updater, &Updater::downloadFinished, this, &UpdateAnswerWindow::showDownloaded);
}

void UpdateAnswerWindow::checkNow()
{
    showChecking();
    show();
    raise();
    activateWindow();
    m_updater.check(Updater::Origin::User);
}

QString UpdateAnswerWindow::title() const
{
    return m_title->text();
}

QString UpdateAnswerWindow::text() const
{
    return m_text->text();
}

void UpdateAnswerWindow::setIcon(const QString& name)
{
    QIcon icon = SettingsForm::themeIcon(name);
    if (icon.isNull())  // a desktop without an icon theme
        icon = style()->standardIcon(name == QLatin1String("dialog-warning") ? QStyle::SP_MessageBoxWarning
                                                                             : QStyle::SP_MessageBoxInformation);
    m_icon->setPixmap(icon.pixmap(kIconSize, kIconSize));
}

void UpdateAnswerWindow::showChecking()
{
    m_isChecking = true;
    setIcon(QStringLiteral("system-software-update"));
    m_title->setText(QStringLiteral("Checking for updates…"));
    m_text->setText(QStringLiteral("Momentra %1").arg(m_updater.configuration().currentVersion));
    m_notes->hide();
    m_busy->show();
    m_accept->setText(QStringLiteral("OK"));
    m_accept->setEnabled(false);
    m_later->hide();
}

void UpdateAnswerWindow::showAnswer(Updater::Origin origin, const Updater::Answer& answer)
{
    if (origin != Updater::Origin::User || !m_isChecking)
        return;
    m_isChecking = false;
    m_kind = answer.kind;
    m_busy->hide();
    m_accept->setEnabled(true);
    m_title->setText(answer.title);
    if (answer.kind != Updater::Answer::Kind::Available) {
        setIcon(answer.kind == Updater::Answer::Kind::UpToDate ? QStringLiteral("emblem-default")
                                                               : QStringLiteral("dialog-warning"));
        m_text->setText(answer.text);
        m_accept->setText(QStringLiteral("OK"));
        m_accept->setFocus();
        adjustSize();
        return;
    }
    const UpdateFeed& newer = *m_updater.newerRelease();
    setIcon(QStringLiteral("software-update-available"));
    QString text = QStringLiteral("You have Momentra %1.").arg(m_updater.configuration().currentVersion);
    if (newer.releaseDate.isValid())
        text += QStringLiteral(" Version %1 came out on %2.")
                    .arg(newer.version, QLocale().toString(newer.releaseDate, QLocale::LongFormat));
    m_text->setText(text);
    m_notes->setPlainText(answer.text);
    m_notes->setVisible(!answer.text.isEmpty());
    m_accept->setText(m_updater.downloadedPackage() ? QStringLiteral("Install") : QStringLiteral("Download"));
    m_later->show();
    m_accept->setFocus();
    adjustSize();
}

void UpdateAnswerWindow::accepted()
{
    if (m_kind != Updater::Answer::Kind::Available || !m_updater.newerRelease()) {
        accept();
        return;
    }
    if (!m_updater.package()) {
        m_actions.openUrl(m_updater.newerRelease()->releasePage);
        accept();
        return;
    }
    if (const std::optional<QString> path = m_updater.downloadedPackage()) {
        m_actions.openPackage(*path);
        accept();
        return;
    }
    m_title->setText(QStringLiteral("Downloading Momentra %1…").arg(m_updater.newerRelease()->version));
    m_busy->show();
    m_accept->setEnabled(false);
    m_updater.download();
}

void UpdateAnswerWindow::showDownloaded(bool ok, const QString& pathOrReason)
{
    if (!m_busy->isVisible() || m_isChecking)
        return;
    m_busy->hide();
    m_accept->setEnabled(true);
    if (ok) {
        m_title->setText(QStringLiteral("Momentra %1 is ready to install").arg(m_updater.newerRelease()->version));
        m_accept->setText(QStringLiteral("Install"));
        return;
    }
    setIcon(QStringLiteral("dialog-warning"));
    m_title->setText(QStringLiteral("Couldn't download the update"));
    m_text->setText(QStringLiteral("Couldn't download the update: ") + pathOrReason);
    m_notes->hide();
    m_kind = Updater::Answer::Kind::Failed;
    m_accept->setText(QStringLiteral("OK"));
    m_later->hide();
}
