#include "platform/linux/wayland/PortalScreenSource.h"

#include "platform/linux/wayland/OutputIdentity.h"
#include "platform/linux/wayland/PipeWireFrames.h"
#include "platform/linux/wayland/PortalGrant.h"
#include "platform/linux/wayland/WaylandConnection.h"
#include "platform/linux/x11/BitmapScaler.h"

#include <QMutexLocker>
#include <QUuid>

namespace {

const QUuid kPlaceNamespace(QStringLiteral("{0d6f5c1e-3a7b-4e92-8b15-c4f2a9e7d031}"));

DisplayInfo placed(const PortalScreenCast::Stream& stream)
{
    DisplayInfo info;
    const QString place = QStringLiteral("%1,%2 %3x%4")
                              .arg(stream.position.x())
                              .arg(stream.position.y())
                              .arg(stream.size.width())
                              .arg(stream.size.height());
    info.facts.uuid = QUuid::createUuidV5(kPlaceNamespace, place).toString(QUuid::WithoutBraces);
    info.name = QStringLiteral("Display at %1, %2").arg(stream.position.x()).arg(stream.position.y());
    info.x = stream.position.x();
    info.y = stream.position.y();
    info.width = info.logicalWidth = stream.size.width();
    info.height = info.logicalHeight = stream.size.height();
    info.isMain = stream.position.isNull();
    return info;
}

}  // namespace

PortalScreenSource::PortalScreenSource(std::shared_ptr<PortalGrant> grant, QByteArray waylandDisplay)
    : m_grant(std::move(grant))
    , m_waylandDisplay(std::move(waylandDisplay))
{
}

PortalScreenSource::~PortalScreenSource()
{
    closeSession();
}

QList<DisplayInfo> PortalScreenSource::describe(const QList<PortalScreenCast::Stream>& streams,
                                                const QList<WaylandOutputInfo>& outputs)
{
    QList<DisplayInfo> displays;
    for (const PortalScreenCast::Stream& stream : streams) {
        DisplayInfo info = placed(stream);
        for (const WaylandOutputInfo& output : outputs)
            if (output.x == stream.position.x() && output.y == stream.position.y() && output.width > 0)
                info = OutputIdentity::describe(output);
        info.facts.displayNumber = stream.nodeId;
        displays << info;
    }
    return displays;
}

void PortalScreenSource::closeSession()
{
    m_frames.reset();
    if (m_session)
        m_grant->close(m_session->handle);
    m_session.reset();
    m_displays.clear();
}

Result<void> PortalScreenSource::open(bool showsCursor)
{
    if (m_session && (!m_grantChecked.isValid() || m_grantChecked.hasExpired(kGrantCheckMs))) {
        m_grant->exists();  // forgets a grant the desktop revoked
        m_grantChecked.start();
    }
    if (m_session && m_grant->forgottenCount() != m_openedAfter) {
        // Revoked while sharing: stop reading the screen, and wait for the user to allow it again.
        closeSession();
        m_refused = true;
    }
    if (m_session && m_frames && !m_frames->isBroken() && m_session->showsCursor == showsCursor)
        return Result<void>::success();
    closeSession();
    if (m_refused && !m_grant->exists())
        return Result<void>::failure(PortalGrant::offMessage());
    // Without a stored grant the desktop asks the user.
    const bool withGrant = m_grant->exists();
    const quint64 forgotten = m_grant->forgottenCount();
    PortalScreenCast::Started started = m_grant->start(showsCursor, withGrant);
    if (started.outcome == PortalScreenCast::Outcome::Refused) {
        m_refused = true;
        return Result<void>::failure(PortalGrant::offMessage());
    }
    if (!started.session)
        return Result<void>::failure(QStringLiteral("Couldn't start sharing the screen: %1").arg(started.error));
    QList<quint32> nodes;
    for (const PortalScreenCast::Stream& stream : std::as_const(started.session->streams))
        nodes << stream.nodeId;
    auto frames = PipeWireFrames::connect(std::move(started.session->pipeWire), nodes);
    m_session = std::move(started.session);
    if (!frames) {
        closeSession();
        return Result<void>::failure(frames.error());
    }
    m_frames = std::move(frames).value();
    m_openedAfter = forgotten;
    QList<WaylandOutputInfo> outputs;
    if (auto connection = WaylandConnection::open(m_waylandDisplay))
        outputs = (*connection)->outputs();
    m_displays = describe(m_session->streams, outputs);
    return Result<void>::success();
}

Result<ShareableContent> PortalScreenSource::content()
{
    QMutexLocker lock(&m_lock);
    Result<void> opened = open(m_showsCursor);
    if (!opened)
        return Result<ShareableContent>::failure(opened.error());
    ShareableContent content;
    content.displays = m_displays;
    return content;
}

Result<Bitmap> PortalScreenSource::capture(const DisplayInfo& display, const DisplayCaptureRequest& request)
{
    QMutexLocker lock(&m_lock);
    m_showsCursor = request.showsCursor;
    Result<void> opened = open(request.showsCursor);
    if (!opened)
        return Result<Bitmap>::failure(opened.error());
    // A session reopened since the displays were listed numbers its streams anew.
    quint32 node = 0;
    for (const DisplayInfo& shared : std::as_const(m_displays))
        if (shared.facts.uuid == display.facts.uuid)
            node = shared.facts.displayNumber;
    if (node == 0)
        return Result<Bitmap>::failure(
            QStringLiteral("Couldn't read the screen of display %1: the desktop no longer shares it")
                .arg(display.name));
    Result<Bitmap> image = m_frames->frame(node);
    if (!image) {
        closeSession();
        return Result<Bitmap>::failure(
            QStringLiteral("Couldn't read the screen of display %1: %2").arg(display.name, image.error()));
    }
    if (request.outputWidth > 0 && request.outputHeight > 0
        && (request.outputWidth != image->width || request.outputHeight != image->height))
        return BitmapScaler::scaled(*image, request.outputWidth, request.outputHeight);
    return image;
}
