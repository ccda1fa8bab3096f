#include "ui/settings/AboutTab.h"

#include "momentra/BuildInfo.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFormLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// How long the button reads "Copied".
constexpr int kCopiedMilliseconds = 3000;

QLabel* secondaryLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

// A link drawn as one, but a button to the keyboard and to screen readers.
QPushButton* linkButton(const QString& text, const QString& url, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(text);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QPushButton { color: palette(link); text-decoration: underline;"
                                         " border: none; padding: 2px; }"
                                         "QPushButton:focus { border: 1px dotted palette(highlight); }"));
    QObject::connect(button, &QPushButton::clicked, button, [url] { QDesktopServices::openUrl(QUrl(url)); });
    return button;
}

}  // namespace

AboutTab::AboutTab(std::function<QString()> collectDiagnostics, QWidget* parent)
    : QWidget(parent)
    , m_collectDiagnostics(std::move(collectDiagnostics))
{
    auto* name = new QLabel(QStringLiteral("Momentra"), this);
    QFont large = name->font();
    large.setPointSizeF(large.pointSizeF() * 1.5);
    large.setBold(true);
    name->setFont(large);
    auto* version = new QLabel(QStringLiteral("Version " MOMENTRA_VERSION), this);
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* description = new QLabel(
        QStringLiteral(
            "Takes a screenshot of every connected display on a timer, then exports the day as a timelapse."),
        this);
    description->setWordWrap(true);

    auto* credits = secondaryLabel(AboutTab::credits(), this);
    credits->setObjectName(QStringLiteral("credits"));
    auto* links = new QHBoxLayout;
    links->addWidget(linkButton(QStringLiteral("Website"), QStringLiteral(MOMENTRA_WEBSITE_URL), this));
    links->addWidget(linkButton(QStringLiteral("Contact"),
                                QStringLiteral("mailto:" MOMENTRA_SUPPORT_EMAIL "?subject=Momentra"), this));
    links->addStretch();

    m_copy = new QPushButton(this);
    m_copy->setObjectName(QStringLiteral("copyDiagnostics"));
    connect(m_copy, &QPushButton::clicked, this, &AboutTab::copyDiagnostics);
    showCopied(false);
    auto* diagnostics = new QVBoxLayout;
    diagnostics->addWidget(m_copy, 0, Qt::AlignLeft);
    diagnostics->addWidget(secondaryLabel(QStringLiteral("Reporting a problem? Copy this and paste it into your "
                                                         "email. It has Momentra's settings and recent activity."),
                                          this));

#if MOMENTRA_SELF_UPDATE
    auto* privacy = secondaryLabel(QStringLiteral("Screenshots, their text and your settings never leave this "
                                                  "computer. The only thing Momentra sends is its daily check for "
                                                  "a newer version (its version and processor type, nothing "
                                                  "else); turn off \u201cAutomatically check for updates\u201d "
                                                  "in the Updates tab to stop it."),
                                   this);
#else
    auto* privacy = secondaryLabel(
        QStringLiteral("Screenshots, their text and your settings never leave this computer. Momentra sends "
                       "nothing over the network; your distribution brings its updates."),
        this);
#endif
    privacy->setObjectName(QStringLiteral("privacy"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Privacy:"), privacy);
    form->addRow(QStringLiteral("Credits:"), credits);
    form->addRow(QStringLiteral("Links:"), links);
    form->addRow(QStringLiteral("Diagnostics:"), diagnostics);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(description);
    layout->addSpacing(12);
    layout->addLayout(form);
    layout->addStretch();
}

QString AboutTab::credits()
{
    QString credits = QStringLiteral("Qt (LGPL 3)\n"
                                     "Tesseract OCR (Apache License 2.0)\n"
                                     "FFmpeg (LGPL 2.1 or later) with x264 (GPL 2 or later)\n"
                                     "libheif (LGPL 3) with x265 (GPL 2 or later)\n"
                                     "libjpeg-turbo (IJG License and BSD 3-Clause)\n"
                                     "libpng (libpng License)\n"
                                     "PipeWire and Wayland (MIT License)");
#if MOMENTRA_SELF_UPDATE
    credits += QStringLiteral("\nlibsodium (ISC License)");
#endif
    return credits;
}

void AboutTab::copyDiagnostics()
{
    m_copy->setEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QGuiApplication::clipboard()->setText(m_collectDiagnostics());
    QGuiApplication::restoreOverrideCursor();
    m_copy->setEnabled(true);
    showCopied(true);
    QTimer::singleShot(kCopiedMilliseconds, this, [this] { showCopied(false); });
}

void AboutTab::showCopied(bool copied)
{
    m_copy->setText(copied ? QStringLiteral("Copied") : QStringLiteral("Copy Diagnostics"));
    m_copy->setIcon(QIcon::fromTheme(copied ? QStringLiteral("object-select") : QStringLiteral("edit-copy")));
}
