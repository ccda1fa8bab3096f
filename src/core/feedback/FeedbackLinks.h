#pragma once

#include <QString>
#include <QUrl>

// Where an answer to the feedback prompt goes: ratings of 4 and 5 open the
// feedback form with the rating drawn as stars ("★★★★☆") in its `rating`
// query item; 3 or less, or a form address that is not a web address, open
// a mail to support with the subject "Momentra VERSION Feedback".
namespace FeedbackLinks {

// The prompt shows from the third day with screenshots until it is answered.
bool showsPrompt(bool hasResponded, qint64 captureDayCount);
QString stars(int rating);  // clamped to 0 … 5
QUrl forRating(int rating, const QString& formAddress, const QString& supportAddress, const QString& version);

}  // namespace FeedbackLinks
