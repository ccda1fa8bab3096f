#pragma once

#include <QRect>
#include <QWidget>

#include <optional>

class MenuPanelView;

// Hosts the panel: as a frameless popup beside the tray icon that closes
// when it loses focus or on Escape, or, where there is no tray, as an
// ordinary small window that closing only hides.
class PanelWindow : public QWidget
{
    Q_OBJECT

public:
    enum class Mode {
        Popup,
        Window,
    };

    explicit PanelWindow(MenuPanelView* view, QWidget* parent = nullptr);

    MenuPanelView* view() const { return m_view; }
    Mode mode() const { return m_mode; }
    void setMode(Mode mode);
    // Popup: beside the anchor (the icon's geometry when the tray tells it,
    // else the pointer). Window: where the window manager puts it, raised.
    void open(std::optional<QRect> anchor = std::nullopt);
    // Open → closed, closed → open.
    void toggle(std::optional<QRect> anchor = std::nullopt);
    // Does the work of a first showing (style, layout, fonts, the native
    // window) without showing, so that the first click opens it at once.
    void prepare();

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    MenuPanelView* m_view;
    Mode m_mode = Mode::Popup;
    bool m_hasBeenActive = false;
};
