#include "core/feedback/FeedbackLinks.h"
#include "core/status/TrayStatus.h"

#include <QTest>

using Facts = TrayStatus::Facts;
using Line = TrayStatus::Line;
using K = Line::Kind;
using State = MenuBarIcon::State;

// The engine's facts → the icon's state and title and the panel's status lines.
class TrayStatusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void presents_data()
    {
        QTest::addColumn<Facts>("facts");
        QTest::addColumn<State>("state");
        QTest::addColumn<QList<Line>>("lines");
        const QDateTime next = QDateTime::currentDateTime();
        const Line today{K::Secondary, "1234 today"};
        const Line notCapturing{K::Secondary, "Not capturing"};
        QTest::newRow("idle") << Facts{} << State::Idle << QList<Line>{notCapturing};
        QTest::newRow("capturing") << Facts{true, {}, {}, {}, next, 1234} << State::Capturing
                                   << QList<Line>{{K::Status, "Capturing"}, {K::Countdown, "Next in "}, today};
        QTest::newRow("capturing, no next time yet")
            << Facts{true, {}, {}, {}, {}, 1234} << State::Capturing << QList<Line>{{K::Status, "Capturing"}, today};
        QTest::newRow("low space") << Facts{true, {}, 4200000000, {}, next, 1234} << State::NeedsAttention
                                   << QList<Line>{{K::Warning, "Paused: only 4.2 GB free"}, today};
        QTest::newRow("low space while stopped is old news")
            << Facts{false, {}, 4200000000} << State::Idle << QList<Line>{notCapturing};
        QTest::newRow("display missing stays capturing")
            << Facts{true, {}, {}, "DELL U2720Q", next, 1234} << State::Capturing
            << QList<Line>{{K::Status, "Paused: DELL U2720Q isn't connected"}, today};
        QTest::newRow("error while stopped")
            << Facts{false, "Disk full"} << State::NeedsAttention << QList<Line>{{K::Warning, "Disk full"}};
        QTest::newRow("permission off") << Facts{false, {}, {}, {}, {}, 0, false} << State::NeedsAttention
                                        << QList<Line>{notCapturing};
    }
    void presents()
    {
        QFETCH(Facts, facts);
        QFETCH(State, state);
        QFETCH(QList<Line>, lines);
        QCOMPARE(TrayStatus::iconState(facts), state);
        QCOMPARE(TrayStatus::statusLines(facts), lines);
    }

    void titlesAndIcons()
    {
        QCOMPARE(MenuBarIcon::title(State::Idle), "Momentra: not capturing");
        QCOMPARE(MenuBarIcon::title(State::Capturing), "Momentra: capturing");
        QCOMPARE(MenuBarIcon::title(State::NeedsAttention), "Momentra: not capturing, needs attention");
        QCOMPARE(MenuBarIcon::iconName(State::NeedsAttention, true), "momentra-attention-symbolic");
    }

    void countdown_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("past") << qint64(-3) << "0:00";
        QTest::newRow("seconds") << qint64(9) << "0:09";
        QTest::newRow("minutes") << qint64(299) << "4:59";
        QTest::newRow("an hour") << qint64(3600) << "1:00:00";
        QTest::newRow("hours") << qint64(7322) << "2:02:02";
    }
    void countdown()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(TrayStatus::countdown(seconds), text);
    }

    void feedbackLinks_data()
    {
        QTest::addColumn<int>("rating");
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("link");
        const QString mail = "mailto:help@example.org?subject=Momentra 1.2 Feedback";
        QTest::newRow("5 stars") << 5 << "https://example.org/f"
                                 << "https://example.org/f?rating=★★★★★";
        QTest::newRow("4 after the form's own items") << 4 << "https://example.org/f?lang=en"
                                                      << "https://example.org/f?lang=en&rating=★★★★☆";
        QTest::newRow("3 writes") << 3 << "https://example.org/f" << mail;
        QTest::newRow("not a web form") << 5 << "no form" << mail;
    }
    void feedbackLinks()
    {
        QFETCH(int, rating);
        QFETCH(QString, form);
        QFETCH(QString, link);
        QCOMPARE(FeedbackLinks::forRating(rating, form, "help@example.org", "1.2").toString(), link);
        QVERIFY(!FeedbackLinks::showsPrompt(false, 2) && FeedbackLinks::showsPrompt(false, 3)
                && !FeedbackLinks::showsPrompt(true, 9));
    }
};

QTEST_GUILESS_MAIN(TrayStatusTest)
#include "tst_TrayStatus.moc"
