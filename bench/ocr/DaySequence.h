#pragma once

#include <QImage>
#include <QPoint>
#include <QRandomGenerator>
#include <QStringList>

// A recorded working day on one 1920×1080 display, frame by frame: typing in
// an editor, a terminal scrolling, a browser page scrolling, switching
// between the three, idle minutes and a window dragged. Every frame comes
// with the words drawn whole on it and the kind of change from the frame before.
class DaySequence
{
public:
    enum class Kind { First, Identical, Typing, Scroll, Switch, Drag };

    struct Frame
    {
        QImage image;
        QStringList words;
        Kind kind = Kind::First;
    };

    explicit DaySequence(int seed = 1);

    // The recorded day: about 60 frames, each kind of change several times.
    QList<Frame> recordedDay();
    // An endless day: the same activities over and over, always with new text.
    Frame next(int index);

    static QString kindName(Kind kind);

private:
    enum class App { Editor, Terminal, Browser };

    Frame typing();
    Frame scrollTerminal();
    Frame scrollBrowser();
    Frame switchTo(App app);
    Frame drag();
    Frame idle();
    Frame draw(Kind kind);

    void drawEditor(class QPainter& painter, const QRect& area, QStringList* words) const;
    void drawTerminal(QPainter& painter, const QRect& area, QStringList* words) const;
    void drawBrowser(QPainter& painter, const QRect& area, QStringList* words) const;
    QString randomLine(int words);

    QRandomGenerator m_random;
    App m_front = App::Editor;
    bool m_windowed = false;  // the front window dragged about, over the desktop
    QPoint m_windowAt{200, 120};
    QStringList m_editorLines;
    QString m_typing;  // what the last editor line will say once typed
    QStringList m_terminalLines;
    QStringList m_pageLines;
    int m_pageScroll = 0;
};
