#include "core/feedback/FeedbackLinks.h"

#include <QUrlQuery>

#include <algorithm>

bool FeedbackLinks::showsPrompt(bool hasResponded, qint64 captureDayCount)
{
    return !hasResponded && captureDayCount >= 3;
}

QString FeedbackLinks::stars(int rating)
{
    const int filled = std::clamp(rating, 0, 5);
    return QString(filled, QChar(0x2605)) + QString(5 - filled, QChar(0x2606));
}

QUrl FeedbackLinks::forRating(int rating, const QString& formAddress, const QString& supportAddress,
                              const QString& version)
{
    if (rating > 3) {
        QUrl form(formAddress, QUrl::StrictMode);
        if (form.isValid() && (form.scheme() == QLatin1String("https") || form.scheme() == QLatin1String("http"))) {
            QUrlQuery query(form);
            query.addQueryItem(QStringLiteral("rating"), stars(rating));
            form.setQuery(query);
            return form;
        }
    }
    QUrl mail(QStringLiteral("mailto:") + supportAddress);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QStringLiteral("Momentra %1 Feedback").arg(version));
    mail.setQuery(query);
    return mail.isValid() ? mail : QUrl(QStringLiteral("mailto:") + supportAddress);
}
