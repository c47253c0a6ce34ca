#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The local socket through which a later copy asks the running one to come to the front: a Unix
// socket in the temporary folder that only the same user can reach. The request is the line
// "activate", the answer "ok". Plain sockets and the event loop are all it needs, so that the
// program loads no network library at its start.
class ActivationServer : public QObject
{
    Q_OBJECT
public:
    explicit ActivationServer(QObject* parent = nullptr);
    ~ActivationServer() override;

    // Listens under name, in place of a socket that a dead copy left behind; false when the
    // socket cannot be made.
    bool listen(const QString& name);

Q_SIGNALS:
    void activationRequested();

private:
    void acceptCalls();

    int m_fd = -1;
    QByteArray m_path;
};

// Asks the copy listening under name to come to the front; true when it answered within
// timeoutMs.
bool RequestActivation(const QString& name, int timeoutMs);
