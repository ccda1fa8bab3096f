#include "platform/linux/autostart/BackgroundPortalItems.h"

#include "platform/linux/portal/PortalRequest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

BackgroundPortalItems::BackgroundPortalItems(QDBusConnection bus, QString recordPath)
    : m_bus(std::move(bus))
    , m_recordPath(std::move(recordPath))
{
}

bool BackgroundPortalItems::isSandboxed()
{
    return QFileInfo::exists(QStringLiteral("/.flatpak-info"));
}

QString BackgroundPortalItems::standardRecordPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Momentra/background-autostart");
}

LoginItems::Status BackgroundPortalItems::status() const
{
    QFile file(m_recordPath);
    if (!file.open(QIODevice::ReadOnly))
        return Status::NotRegistered;
    bool ok = false;
    const int value = file.readAll().trimmed().toInt(&ok);
    if (!ok || value < int(Status::NotRegistered) || value > int(Status::NotFound))
        return Status::NotRegistered;
    return Status(value);
}

Result<void> BackgroundPortalItems::request(bool autostart)
{
    // Inside the sandbox the program is found on the sandbox's PATH by name.
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const QVariantMap options{
        {QStringLiteral("reason"), QStringLiteral("Momentra starts at login to keep capturing your day.")},
        {QStringLiteral("autostart"), autostart},
        {QStringLiteral("commandline"), QStringList{program}},
    };
    const auto answer = PortalRequest::run(m_bus, QStringLiteral("org.freedesktop.portal.Background"),
                                           QStringLiteral("RequestBackground"), {QString()}, options, kAnswerTimeout);
    if (!answer)
        return Result<void>::failure(answer.error());
    if (answer->response == 2)
        return Result<void>::failure(QStringLiteral("the Background portal could not complete the request"));
    if (!autostart) {
        if (answer->response != 0)
            return Result<void>::failure(QStringLiteral("the desktop did not allow the change"));
        record(Status::NotRegistered);
        return Result<void>::success();
    }
    if (answer->response == 0 && answer->results.value(QStringLiteral("autostart")).toBool()) {
        record(Status::Enabled);
        return Result<void>::success();
    }
    record(Status::RequiresApproval);
    return Result<void>::failure(QStringLiteral("the desktop did not allow Momentra to run in the background"));
}

void BackgroundPortalItems::record(Status status)
{
    QDir().mkpath(QFileInfo(m_recordPath).absolutePath());
    QSaveFile file(m_recordPath);
    if (file.open(QIODevice::WriteOnly)) {
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        file.write(QByteArray::number(int(status)) + '\n');
        file.commit();
    }
}
