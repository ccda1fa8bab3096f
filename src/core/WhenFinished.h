#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>

#include <type_traits>
#include <utility>

// Calls `then` with the future's result on `context`'s thread once the
// future is done, unless `context` was destroyed before. Use it instead of
// QFuture::then(context, …) for work that may outlive its receiver (a tab
// closed while it counts a folder): Qt 6.4's continuation posts to the
// context from the worker thread and can race the context's destructor,
// leaving an event for a dead object. The watcher is the context's child
// and is disconnected from the future, under the future's lock, when it
// goes. `then` always runs from the event loop, never inside this call.
template <typename T, typename Then>
void whenFinished(const QFuture<T>& future, QObject* context, Then then)
{
    auto* watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context, [watcher, then = std::move(then)]() mutable {
        watcher->deleteLater();
        if constexpr (std::is_void_v<T>)
            then();
        else
            then(watcher->result());
    });
    watcher->setFuture(future);
}
