#pragma once

#include "core/Result.h"
#include "core/capture/ScreenSource.h"

#include <QList>
#include <QString>

#include <xcb/randr.h>

class XcbConnection;

// The displays of an X screen as RandR 1.5 monitors, in the server's order,
// each named and identified from the EDID of its first output. Without
// RandR the whole screen is one display.
class RandrMonitors
{
public:
    explicit RandrMonitors(XcbConnection& connection) : m_connection(connection) {}

    Result<QList<DisplayInfo>> list(double desktopScale);

    // Laptop panels: eDP, LVDS and DSI connectors.
    static bool isBuiltInConnector(const QString& connector);

private:
    struct OutputFacts
    {
        QString connector;
        QByteArray edid;
    };

    bool hasMonitors();
    OutputFacts outputFacts(xcb_randr_output_t output);
    QString atomName(xcb_atom_t atom);
    DisplayInfo wholeScreen() const;
    void describe(DisplayInfo& info, const QString& monitorName, xcb_atom_t monitorAtom,
                  const QList<xcb_randr_output_t>& outputs);

    XcbConnection& m_connection;
};
