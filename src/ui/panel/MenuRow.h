#pragma once

#include <QPushButton>

// One action row of the panel: a real button, reachable by Tab and the
// arrow keys, whose accessible name is always its visible title. Hovered or
// focused, it is drawn in the desktop's highlight colours.
class MenuRow : public QPushButton
{
    Q_OBJECT

public:
    explicit MenuRow(const QString& title, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const { return text(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
