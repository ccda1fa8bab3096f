#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// Turns POSIX signals (SIGINT, SIGTERM) into a Qt signal on the main thread
// through a self-pipe, so that the handler itself only writes one byte.
// One instance at a time.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~SignalWatcher() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    static void handle(int signalNumber);
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
    QList<int> m_signals;
};
