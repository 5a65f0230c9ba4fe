#pragma once

#include "TsrWire.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <vector>

class QLocalServer;
class QLocalSocket;
class World;

// Answers the client library's requests on the Unix domain socket. A malformed
// frame ends that connection; the next one starts clean.
class WireServer : public QObject {
    Q_OBJECT
public:
    WireServer(World& world, QObject* parent = nullptr);
    ~WireServer() override;

    // Listens on path (a stale socket file is replaced); false with a reason on failure.
    bool listen(const QString& path, QString& why);
    QString path() const;

    // Answers one request; the answer frame's payload. Public for tests.
    std::vector<std::uint8_t> answer(tsrwire::Op op, tsrwire::Reader& request);

Q_SIGNALS:
    // One line per call that changes state: its name and its arguments.
    void logged(const QString& line);
    void quitRequested();

private:
    void accept();
    void readFrom(QLocalSocket* socket);

    World& m_world;
    QLocalServer* m_server;
};
