#include "cli/SearchServiceCommand.h"

#include "app/AppRoot.h"
#include "app/RemoteControl.h"
#include "app/search/SearchComponent.h"
#include "app/search/SearchServiceControl.h"
#include "cli/CommandLogging.h"
#include "cli/Console.h"
#include "core/log/EventLog.h"
#include "core/search/IndexFirstSearch.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTimer>

namespace {

int run(AppRoot& root, const QStringList& arguments)
{
    if (!arguments.isEmpty())
        return Console::usageError(QStringLiteral("search-service takes no arguments"));
    CommandLogging::install(root.log(), false);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Console::failure(QStringLiteral("no D-Bus session bus to serve the desktop's search on"));
    QApplication::setQuitOnLastWindowClosed(false);

    SearchComponent search(root.screenshotSearch(), root.codec());
    SearchServiceControl control;
    QObject::connect(&control, &SearchServiceControl::searchRequested, &search,
                     [&search](const QStringList& terms) { search.openWindow(terms.join(QLatin1Char(' '))); });
    // The objects first, so that the call that started this process finds them once the name is ours.
    bus.registerObject(QLatin1String(RemoteControl::kObjectPath), &control, QDBusConnection::ExportAllSlots);
    if (!search.exportOn(bus, SearchComponent::Claim::Yielding))
        return 0;  // Momentra runs and answers itself
    root.log().log(QStringLiteral("Serving the desktop's search"), EventLog::kApp);

    // Ends after a quiet minute, or once the tray application took the name, when no window is open.
    bool hasName = true;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(SearchServiceCommand::kIdleMilliseconds);
    const auto quitWhenIdle = [&] {
        if (!search.isWindowOpen())
            QCoreApplication::quit();
    };
    QObject::connect(&idle, &QTimer::timeout, quitWhenIdle);
    QObject::connect(&search, &SearchComponent::used, &idle, qOverload<>(&QTimer::start));
    QObject::connect(&search, &SearchComponent::windowClosed, &idle, [&] {
        if (!hasName)
            QCoreApplication::quit();
        idle.start();
    });
    QObject::connect(bus.interface(), &QDBusConnectionInterface::serviceUnregistered, &idle, [&](const QString& name) {
        if (name != QLatin1String(SearchComponent::kServiceName))
            return;
        hasName = false;
        quitWhenIdle();
    });
    idle.start();
    return QApplication::exec();
}

}  // namespace

Command SearchServiceCommand::command()
{
    return {QStringLiteral("search-service"), QStringLiteral("search-service"),
            QStringLiteral("serve the desktop's search and the search window until the tray application runs "
                           "(started by D-Bus)"),
            &run, true};
}
