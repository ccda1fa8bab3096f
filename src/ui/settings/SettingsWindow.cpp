#include "ui/settings/SettingsWindow.h"

#include "momentra/BuildInfo.h"
#include "ui/settings/AboutTab.h"
#include "ui/settings/CaptureSettingsTab.h"
#include "ui/settings/GeneralSettingsTab.h"
#include "ui/settings/OcrTab.h"
#include "ui/settings/PrivacySettingsTab.h"
#include "ui/settings/SettingsForm.h"
#include "ui/settings/StorageTab.h"
#include "ui/settings/TimelapseTab.h"
#if MOMENTRA_SELF_UPDATE
#include "ui/updates/UpdatesTab.h"
#endif

#include <QIcon>
#include <QKeySequence>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

template <typename T>
QWidget* make(const SettingsContext& context)
{
    return new T(context);
}

constexpr QSize kSize(540, 440);

// Builds without the update component have no Updates tab.
std::function<QWidget*(const SettingsContext&)> updatesTab()
{
#if MOMENTRA_SELF_UPDATE
    return [](const SettingsContext& c) -> QWidget* { return new UpdatesTab(*c.updateSettings, c.checkForUpdates); };
#else
    return {};
#endif
}

QList<SettingsWindow::Tab> withoutAbsent(QList<SettingsWindow::Tab> tabs)
{
    tabs.removeIf([](const SettingsWindow::Tab& tab) { return !tab.factory; });
    return tabs;
}

}  // namespace

const QList<SettingsWindow::Tab>& SettingsWindow::tabs()
{
    static const QList<Tab> list{
        {"general", "General", "preferences-system", make<GeneralSettingsTab>},
        {"capture", "Capture", "camera-photo", make<CaptureSettingsTab>},
        {"ocr", "OCR", "edit-find", make<OcrTab>},
        {"privacy", "Privacy", "security-high", make<PrivacySettingsTab>},
        {"storage", "Storage", "drive-harddisk", make<StorageTab>},
        {"timelapse", "Timelapse", "video-x-generic", make<TimelapseTab>},
        {"updates", "Updates", "system-software-update", updatesTab()},
        {"about", "About", "help-about",
         [](const SettingsContext& c) -> QWidget* { return new AboutTab(c.diagnostics); }},
    };
    static const QList<Tab> built = withoutAbsent(list);
    return built;
}

SettingsWindow::SettingsWindow(SettingsContext context, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_context(std::move(context))
    , m_tabs(new QTabWidget(this))
{
    setWindowTitle(QStringLiteral("Momentra Settings"));
    setWindowIcon(SettingsForm::themeIcon(QStringLiteral("preferences-system")));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    m_tabs->tabBar()->setUsesScrollButtons(false);  // the window is as wide as its tabs: each stays in sight
    for (const Tab& tab : tabs()) {
        auto* page = new QWidget;
        page->setObjectName(tab.name);
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        m_tabs->addTab(page, SettingsForm::themeIcon(tab.icon), tab.title);
    }
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) { build(index); });
    build(m_tabs->currentIndex());
    resize(kSize.expandedTo(sizeHint()));
    // Close with the desktop's close shortcut, as any window.
    connect(new QShortcut(QKeySequence::Close, this), &QShortcut::activated, this, &QWidget::close);
}

QWidget* SettingsWindow::build(int index)
{
    QWidget* page = m_tabs->widget(index);
    if (!page)
        return nullptr;
    if (page->layout()->count() == 0) {
        QWidget* content = tabs().at(index).factory(m_context);
        page->layout()->addWidget(content);
        content->show();  // now, not on the next turn of the event loop
        resize(size().expandedTo(sizeHint()));
    }
    return page->layout()->itemAt(0)->widget();
}

bool SettingsWindow::showTab(const QString& name)
{
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (m_tabs->widget(i)->objectName() == name) {
            m_tabs->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

QWidget* SettingsWindow::tab(const QString& name)
{
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (m_tabs->widget(i)->objectName() == name)
            return build(i);
    }
    return nullptr;
}

void SettingsWindow::present()
{
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}
