#pragma once

#include <QUrl>
#include <QWidget>

#include <functional>

class Preferences;
class QLabel;
class QPushButton;
class QToolButton;

// The panel's request for a star rating, shown from the third day with
// screenshots until it is answered. Five stars (hovering previews a rating,
// clicking picks it), "Send" once one is picked, and a close button
// ("Not now") that answers it for good. Sending opens the feedback form
// (4 or 5 stars) or a mail to support in the desktop's own applications.
class FeedbackPromptView : public QWidget
{
    Q_OBJECT

public:
    using UrlOpener = std::function<void(const QUrl&)>;

    FeedbackPromptView(Preferences& preferences, UrlOpener openUrl, QWidget* parent = nullptr);

    int hoveredStar() const { return m_hoveredStar; }
    int selectedRating() const { return m_selectedRating; }
    int displayedRating() const { return m_hoveredStar ? m_hoveredStar : m_selectedRating; }
    QToolButton* star(int number) const { return m_stars.at(number - 1); }  // 1 … 5

    // Answers the prompt with the rating; the link opens a moment later,
    // once the panel is gone.
    void submit(int rating);

Q_SIGNALS:
    void dismissRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateStars();
    void answer();

    Preferences& m_preferences;
    UrlOpener m_openUrl;
    QList<QToolButton*> m_stars;
    QPushButton* m_send = nullptr;
    int m_hoveredStar = 0;
    int m_selectedRating = 0;
};
