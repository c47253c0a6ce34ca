#pragma once

#include <QObject>
#include <QString>

#include <memory>

class ActivationServer;
class QLockFile;
class QTimer;

// One copy of the program per data directory. The copy that holds the lock file in the data
// directory listens on a local socket named after that directory, from its event loop's first
// turn on; a later copy asks it to come to the front and ends. A lock left by a killed copy is
// recognised as stale and taken over.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString& dataDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The start-up check: true when this copy may run (it now holds the directory). False when
    // an earlier copy runs: it has been asked to come to the front and this copy must end
    // before it shows anything.
    bool EnforceSingleInstance();
    // For a copy started with "/np": never ends it, but takes the directory over as soon as it
    // is free (the copy that restarted it may still be ending), so that later copies find it.
    void ClaimWhenFree();

    bool holdsDirectory() const { return m_claimed; }
    bool isListening() const { return m_server != nullptr; }
    QString serverName() const { return m_serverName; }

    // The local socket name for a data directory; the same for every copy that uses it.
    static QString ServerNameFor(const QString& dataDirectory);

Q_SIGNALS:
    // A later copy asked this one to show its window in front.
    void activationRequested();

private:
    bool tryClaim();
    void listen();
    bool askEarlierCopyToActivate();

    QString m_serverName;
    std::unique_ptr<QLockFile> m_lock;
    bool m_claimed = false;
    ActivationServer* m_server = nullptr;
    QTimer* m_retry = nullptr;
};
