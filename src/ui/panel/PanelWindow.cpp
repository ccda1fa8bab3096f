#include "ui/panel/PanelWindow.h"

#include "ui/panel/MenuPanelView.h"
#include "ui/panel/PanelPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

PanelWindow::PanelWindow(MenuPanelView* view, QWidget* parent)
    : QWidget(parent)
    , m_view(view)
{
    setObjectName(QStringLiteral("panelWindow"));
    setWindowTitle(QStringLiteral("Momentra"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("app.momentra.Momentra"),
                                   QIcon(QStringLiteral(":/icons/app.momentra.Momentra.svg"))));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);  // room for the popup's outline
    layout->addWidget(m_view);
    connect(m_view, &MenuPanelView::dismissRequested, this, [this] {
        if (m_mode == Mode::Popup)
            hide();
    });
    setMode(Mode::Popup);
}

void PanelWindow::setMode(Mode mode)
{
    const bool wasVisible = isVisible();
    m_mode = mode;
    // A tool window keeps Momentra out of the taskbar; without a tray the
    // window is the only way in, so it is an ordinary one.
    setWindowFlags(mode == Mode::Popup ? Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint : Qt::Window);
    if (wasVisible)
        open();
}

void PanelWindow::open(std::optional<QRect> anchor)
{
    adjustSize();
    if (m_mode == Mode::Popup) {
        const QRect at = anchor && anchor->isValid() ? *anchor : QRect(QCursor::pos(), QSize(1, 1));
        QScreen* screen = QGuiApplication::screenAt(at.center());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen)
            move(PanelPlacement::place(at, size(), screen->availableGeometry()).topLeft());
    }
    m_hasBeenActive = false;
    show();
    raise();
    activateWindow();
}

void PanelWindow::prepare()
{
    ensurePolished();
    adjustSize();
    winId();
    // Painting once, off screen, loads the fonts and glyphs the panel shows.
    grab();
}

void PanelWindow::toggle(std::optional<QRect> anchor)
{
    if (isVisible())
        hide();
    else
        open(anchor);
}

void PanelWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow())
            m_hasBeenActive = true;
        else if (m_mode == Mode::Popup && m_hasBeenActive && isVisible())
            hide();
    }
    QWidget::changeEvent(event);
}

void PanelWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PanelWindow::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (m_mode != Mode::Popup)
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
