#include "ui/panel/MenuRow.h"

#include <QKeyEvent>

MenuRow::MenuRow(const QString& title, QWidget* parent)
    : QPushButton(parent)
{
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAutoDefault(false);
    setStyleSheet(QStringLiteral("MenuRow { text-align: left; padding: 5px 10px; border: none; border-radius: 5px; }"
                                 "MenuRow:focus { border: 1px solid palette(highlight); }"
                                 "MenuRow:hover { background: palette(highlight);"
                                 " color: palette(highlighted-text); }"));
    setTitle(title);
}

void MenuRow::setTitle(const QString& title)
{
    setText(title);
    setAccessibleName(title);
}

void MenuRow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Down:
        focusNextChild();
        return;
    case Qt::Key_Up:
        focusPreviousChild();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        click();
        return;
    default:
        QPushButton::keyPressEvent(event);
    }
}
