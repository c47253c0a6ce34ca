#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// Turns POSIX signals into a Qt signal on the GUI thread. The handler only writes the signal's
// number into a pipe; everything else happens when the event loop reads it. One bridge at a
// time; the signals get their default handling back when it is destroyed.
class SignalBridge : public QObject
{
    Q_OBJECT
public:
    explicit SignalBridge(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~SignalBridge() override;

    bool isActive() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPipe();

    QList<int> m_signals;
    int m_readFd = -1;
    QSocketNotifier* m_notifier = nullptr;
};
