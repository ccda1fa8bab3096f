#include "app/AppRoot.h"
#include "app/DiagnosticsCollector.h"
#include "support/core/TestHome.h"
#include "ui/settings/AboutTab.h"

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QtTest>

class TestAboutTab : public QObject
{
    Q_OBJECT

    TestHome m_home;

private Q_SLOTS:
    // The report of this session, as `momentra diagnostics` prints it; the button says so for a while.
    void copyDiagnosticsLeavesTheReportOnTheClipboard()
    {
        qunsetenv("DISPLAY");
        AppRoot root({m_home.settingsFile(), m_home.stateHome() + "/Momentra"});
        AboutTab tab([&root] { return DiagnosticsCollector::collect(root, nullptr); });
        auto* copy = tab.findChild<QPushButton*>("copyDiagnostics");
        QVERIFY(copy);
        QGuiApplication::clipboard()->setText("before");

        QTest::mouseClick(copy, Qt::LeftButton);
        const QString report = QGuiApplication::clipboard()->text();
        QVERIFY2(report.startsWith("Momentra diagnostics\nVersion: ")
                     && report.contains("\nActive displays: 0\n\nLog, last 7 days, newest 500 lines at most"),
                 qPrintable(report));
        QCOMPARE(copy->text(), "Copied");
        QTRY_COMPARE_WITH_TIMEOUT(copy->text(), QString("Copy Diagnostics"), 10000);
    }
};

QTEST_MAIN(TestAboutTab)
#include "tst_AboutTab.moc"
