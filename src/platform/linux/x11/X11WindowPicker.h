#pragma once

#include "core/WindowPicker.h"
#include "platform/linux/x11/AppIdResolver.h"

#include <QObject>

#include <xcb/xcb.h>

#include <memory>

class QSocketNotifier;
class XcbConnection;

// Picking a window on X11: the pointer is grabbed with a cross-hair cursor,
// and the window under the first left click names the application. Any key
// or another button gives up. The grab is held on a connection of its own,
// only while picking.
class X11WindowPicker : public QObject, public WindowPicker
{
    Q_OBJECT

public:
    explicit X11WindowPicker(QObject* parent = nullptr);
    ~X11WindowPicker() override;

    void pick(std::function<void(const Result<QString>&)> done) override;

private:
    Result<void> grab();
    void readEvents();
    void finish(const Result<QString>& outcome);

    std::shared_ptr<XcbConnection> m_connection;
    std::unique_ptr<QSocketNotifier> m_events;
    std::function<void(const Result<QString>&)> m_done;
    AppIdResolver m_resolver;
};
