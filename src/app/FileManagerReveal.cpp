#include "app/FileManagerReveal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QStringList>

namespace {

void openFolderOf(const QUrl& item)
{
    const QFileInfo info(item.toLocalFile());
    QDesktopServices::openUrl(QUrl::fromLocalFile(info.isDir() ? info.filePath() : info.path()));
}

}  // namespace

void FileManagerReveal::show(const QList<QUrl>& items)
{
    if (items.isEmpty())
        return;
    QStringList uris;
    for (const QUrl& item : items)
        uris.append(item.toString(QUrl::FullyEncoded));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolderOf(items.first());
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [first = items.first()](QDBusPendingCallWatcher* w) {
        if (QDBusPendingReply<>(*w).isError())
            openFolderOf(first);
        w->deleteLater();
    });
}
