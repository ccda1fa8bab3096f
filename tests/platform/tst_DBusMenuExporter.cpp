#include "platform/linux/tray/DBusMenuExporter.h"
#include "support/PrivateBus.h"

#include <QAction>
#include <QDBusMessage>
#include <QMenu>
#include <QTest>

#include <functional>

using MenuChange = std::function<void(QMenu&)>;
Q_DECLARE_METATYPE(MenuChange)

// A menu exported over dbusmenu and read by a second connection on a private
// bus, as a tray host reads it.
class DBusMenuExporterTest : public QObject
{
    Q_OBJECT

    PrivateBus m_bus{PrivateBus::Kind::Session};
    QDBusConnection m_server{QString()};
    QDBusConnection m_client{QString()};
    QStringList m_signals;

    QDBusMessage call(const QString& method, const QVariantList& arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(m_server.baseService(), "/MenuBar",
                                                              "com.canonical.dbusmenu", method);
        message.setArguments(arguments);
        return m_client.call(message, QDBus::BlockWithGui, 5000);
    }
    // Each item as a host would draw it: "---" for a separator, the label
    // with its state.
    QStringList layout()
    {
        const QDBusMessage reply = call("GetLayout", {0, -1, QStringList()});
        DBusMenuLayoutItem root;
        reply.arguments().value(1).value<QDBusArgument>() >> root;
        QStringList items;
        for (const DBusMenuLayoutItem& child : root.children) {
            const QVariantMap& p = child.properties;
            QString item = p.value("type") == "separator" ? "---" : p.value("label").toString();
            if (p.contains("toggle-type"))
                item += p.value("toggle-state").toInt() ? " [x]" : " [ ]";
            if (!p.value("enabled", true).toBool())
                item += " (disabled)";
            if (!p.value("visible").toBool())
                item += " (hidden)";
            items << item;
        }
        return items;
    }
    static void build(QMenu& menu)
    {
        menu.addAction("&Start Capture");
        menu.addSeparator();
        menu.addAction("Show_Log")->setCheckable(true);
        menu.addAction("Save && &Quit");
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_bus.start(), qPrintable(m_bus.error()));
        m_server = QDBusConnection::connectToBus(m_bus.address(), "menu-server");
        m_client = QDBusConnection::connectToBus(m_bus.address(), "menu-client");
        for (const char* name : {"ItemsPropertiesUpdated", "LayoutUpdated"})
            QVERIFY(
                m_client.connect({}, "/MenuBar", "com.canonical.dbusmenu", name, this, SLOT(received(QDBusMessage))));
    }
    void received(const QDBusMessage& message) { m_signals << message.member(); }

    void changes_data()
    {
        QTest::addColumn<MenuChange>("change");
        QTest::addColumn<QString>("signal");
        QTest::addColumn<QStringList>("items");
        const auto first = [](QMenu& menu) { return menu.actions().first(); };
        QTest::newRow("relabelled") << MenuChange([=](QMenu& m) { first(m)->setText("Stop &Capture"); })
                                    << "ItemsPropertiesUpdated"
                                    << QStringList{"Stop _Capture", "---", "Show__Log [ ]", "Save & _Quit"};
        QTest::newRow("disabled") << MenuChange([=](QMenu& m) { first(m)->setEnabled(false); })
                                  << "ItemsPropertiesUpdated"
                                  << QStringList{"_Start Capture (disabled)", "---", "Show__Log [ ]", "Save & _Quit"};
        QTest::newRow("hidden") << MenuChange([=](QMenu& m) { first(m)->setVisible(false); })
                                << "ItemsPropertiesUpdated"
                                << QStringList{"_Start Capture (disabled) (hidden)", "---", "Show__Log [ ]",
                                               "Save & _Quit"};
        QTest::newRow("checked") << MenuChange([](QMenu& m) { m.actions().at(2)->setChecked(true); })
                                 << "ItemsPropertiesUpdated"
                                 << QStringList{"_Start Capture", "---", "Show__Log [x]", "Save & _Quit"};
        QTest::newRow("no longer checkable")
            << MenuChange([](QMenu& m) { m.actions().at(2)->setCheckable(false); }) << "ItemsPropertiesUpdated"
            << QStringList{"_Start Capture", "---", "Show__Log", "Save & _Quit"};
        QTest::newRow("added") << MenuChange([](QMenu& m) { m.addAction("Check for Updates…"); }) << "LayoutUpdated"
                               << QStringList{"_Start Capture", "---", "Show__Log [ ]", "Save & _Quit",
                                              "Check for Updates…"};
        QTest::newRow("removed") << MenuChange([=](QMenu& m) { m.removeAction(first(m)); }) << "LayoutUpdated"
                                 << QStringList{"---", "Show__Log [ ]", "Save & _Quit"};
    }
    // The host sees each change through the signal that tells it to read again.
    void changes()
    {
        QFETCH(MenuChange, change);
        QFETCH(QString, signal);
        QFETCH(QStringList, items);
        QMenu menu;
        build(menu);
        DBusMenuExporter exporter(menu, [&menu] { return menu.actions(); });
        QVERIFY(exporter.publish(m_server, "/MenuBar"));
        QCOMPARE(layout(), QStringList({"_Start Capture", "---", "Show__Log [ ]", "Save & _Quit"}));
        m_signals.clear();
        change(menu);
        QTRY_COMPARE(m_signals, QStringList{signal});
        QCOMPARE(layout(), items);
    }

    void events_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("event");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("triggered");
        QTest::addColumn<bool>("refused");
        QTest::newRow("clicked") << 1 << "clicked" << true << 1 << false;
        QTest::newRow("hovered") << 1 << "hovered" << true << 0 << false;
        QTest::newRow("disabled") << 1 << "clicked" << false << 0 << false;
        QTest::newRow("unknown item") << 99 << "clicked" << true << 0 << true;
    }
    void events()
    {
        QFETCH(int, item);
        QFETCH(QString, event);
        QFETCH(bool, enabled);
        QFETCH(int, triggered);
        QFETCH(bool, refused);
        QMenu menu;
        QAction* action = menu.addAction("Start");
        action->setEnabled(enabled);
        int count = 0;
        connect(action, &QAction::triggered, this, [&count] { ++count; });
        DBusMenuExporter exporter(menu, [&menu] { return menu.actions(); });
        QVERIFY(exporter.publish(m_server, "/MenuBar"));
        QCOMPARE(layout().size(), 1);  // the host learns the ids first
        const QDBusMessage reply = call("Event", {item, event, QVariant::fromValue(QDBusVariant(0)), 0u});
        QCOMPARE(reply.type() == QDBusMessage::ErrorMessage, refused);
        QCoreApplication::processEvents();  // a click runs once the call has returned
        QCOMPARE(count, triggered);
    }
};

QTEST_MAIN(DBusMenuExporterTest)
#include "tst_DBusMenuExporter.moc"
