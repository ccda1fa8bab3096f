#include "platform/linux/x11/RandrMonitors.h"

#include "platform/linux/x11/DesktopScale.h"
#include "platform/linux/x11/EdidParser.h"
#include "platform/linux/x11/XcbConnection.h"
#include "platform/linux/x11/XcbReply.h"

namespace {
constexpr quint32 kEdidReadWords = 256;  // 1 KiB: the base block and extensions
}

Result<QList<DisplayInfo>> RandrMonitors::list(double desktopScale)
{
    xcb_connection_t* c = m_connection.get();
    QList<DisplayInfo> displays;
    if (hasMonitors()) {
        XcbReply<xcb_randr_get_monitors_reply_t> reply(
            xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, m_connection.root(), 1), nullptr));
        if (!reply && m_connection.isBroken())
            return Result<QList<DisplayInfo>>::failure(XcbConnection::lostMessage());
        if (reply) {
            for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
                 xcb_randr_monitor_info_next(&it)) {
                const xcb_randr_monitor_info_t* monitor = it.data;
                DisplayInfo info;
                info.x = monitor->x;
                info.y = monitor->y;
                info.width = monitor->width;
                info.height = monitor->height;
                info.isMain = monitor->primary != 0;
                const xcb_randr_output_t* outputs = xcb_randr_monitor_info_outputs(monitor);
                const QList<xcb_randr_output_t> outputList(
                    outputs, outputs + xcb_randr_monitor_info_outputs_length(monitor));
                describe(info, atomName(monitor->name), monitor->name, outputList);
                displays.append(info);
            }
        }
    }
    if (m_connection.isBroken())
        return Result<QList<DisplayInfo>>::failure(XcbConnection::lostMessage());
    if (displays.isEmpty())
        displays.append(wholeScreen());
    for (DisplayInfo& info : displays) {
        info.logicalWidth = DesktopScale::logical(info.width, desktopScale);
        info.logicalHeight = DesktopScale::logical(info.height, desktopScale);
    }
    return displays;
}

bool RandrMonitors::isBuiltInConnector(const QString& connector)
{
    for (const char* prefix : {"eDP", "LVDS", "DSI"})
        if (connector.startsWith(QLatin1String(prefix), Qt::CaseInsensitive))
            return true;
    return false;
}

bool RandrMonitors::hasMonitors()
{
    xcb_connection_t* c = m_connection.get();
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_randr_id);
    if (!extension || !extension->present)
        return false;
    XcbReply<xcb_randr_query_version_reply_t> version(
        xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 5), nullptr));
    return version && (version->major_version > 1 || version->minor_version >= 5);
}

void RandrMonitors::describe(DisplayInfo& info, const QString& monitorName, xcb_atom_t monitorAtom,
                             const QList<xcb_randr_output_t>& outputs)
{
    // A monitor without outputs (set up by hand) is known by its name's atom,
    // which stays the same while the server runs.
    info.facts.displayNumber = outputs.isEmpty() ? monitorAtom : outputs.first();
    QString connector = monitorName;
    if (!outputs.isEmpty()) {
        const OutputFacts facts = outputFacts(outputs.first());
        if (!facts.connector.isEmpty())
            connector = facts.connector;
        if (const auto edid = EdidParser::parse(facts.edid)) {
            info.facts.vendor = edid->vendor;
            info.facts.model = edid->model;
            info.facts.serial = edid->serial;
            info.name = edid->name;
        }
    }
    info.isBuiltIn = isBuiltInConnector(connector);
    if (info.name.isEmpty())
        info.name = connector.isEmpty() ? QStringLiteral("Display") : connector;
}

RandrMonitors::OutputFacts RandrMonitors::outputFacts(xcb_randr_output_t output)
{
    xcb_connection_t* c = m_connection.get();
    auto infoCookie = xcb_randr_get_output_info(c, output, XCB_CURRENT_TIME);
    auto edidCookie = xcb_randr_get_output_property(c, output, m_connection.atom("EDID"), XCB_ATOM_ANY, 0,
                                                    kEdidReadWords, 0, 0);
    OutputFacts facts;
    XcbReply<xcb_randr_get_output_info_reply_t> info(xcb_randr_get_output_info_reply(c, infoCookie, nullptr));
    if (info)
        facts.connector = QString::fromUtf8(reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info.get())),
                                            xcb_randr_get_output_info_name_length(info.get()));
    XcbReply<xcb_randr_get_output_property_reply_t> edid(
        xcb_randr_get_output_property_reply(c, edidCookie, nullptr));
    if (edid && edid->format == 8)
        facts.edid = QByteArray(reinterpret_cast<const char*>(xcb_randr_get_output_property_data(edid.get())),
                                xcb_randr_get_output_property_data_length(edid.get()));
    return facts;
}

QString RandrMonitors::atomName(xcb_atom_t atom)
{
    xcb_connection_t* c = m_connection.get();
    XcbReply<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atom), nullptr));
    if (!reply)
        return {};
    return QString::fromUtf8(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get()));
}

DisplayInfo RandrMonitors::wholeScreen() const
{
    DisplayInfo info;
    info.width = m_connection.screen()->width_in_pixels;
    info.height = m_connection.screen()->height_in_pixels;
    info.isMain = true;
    info.name = QStringLiteral("Screen");
    return info;
}
