#include "WireServer.h"

#include "Windows1252.h"
#include "World.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace cp = platform::windows1252;
using tsrwire::Op;

namespace {

QString quoted(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('"'), QLatin1String("\\\""))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return QLatin1Char('"') + t + QLatin1Char('"');
}

std::vector<std::uint8_t> reply(const World::Result& r, const tsrwire::Writer& data = {}) {
    tsrwire::Writer w;
    w.i32(r.code).text(cp::encode(r.error));
    if (r.ok())
        w.bytes(data.data().data(), data.data().size());
    return w.data();
}

} // namespace

WireServer::WireServer(World& world, QObject* parent)
    : QObject(parent), m_world(world), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &WireServer::accept);
}

WireServer::~WireServer() = default;

bool WireServer::listen(const QString& path, QString& why) {
    QLocalServer::removeServer(path);
    if (!m_server->listen(path)) {
        why = m_server->errorString();
        return false;
    }
    return true;
}

QString WireServer::path() const {
    return m_server->fullServerName();
}

void WireServer::accept() {
    while (QLocalSocket* s = m_server->nextPendingConnection()) {
        connect(s, &QLocalSocket::readyRead, this, [this, s] { readFrom(s); });
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
    }
}

void WireServer::readFrom(QLocalSocket* socket) {
    while (socket->bytesAvailable() >= static_cast<qint64>(tsrwire::HeaderSize)) {
        std::uint8_t head[tsrwire::HeaderSize];
        socket->peek(reinterpret_cast<char*>(head), sizeof head);
        const auto header = tsrwire::decodeHeader(head);
        if (!header) {
            socket->abort();
            return;
        }
        if (socket->bytesAvailable() < static_cast<qint64>(tsrwire::HeaderSize + header->length))
            return;
        socket->skip(tsrwire::HeaderSize);
        const QByteArray payload = socket->read(header->length);
        tsrwire::Reader reader(reinterpret_cast<const std::uint8_t*>(payload.constData()),
                               static_cast<std::size_t>(payload.size()));
        const Op op = static_cast<Op>(header->op);
        const auto frame = tsrwire::frame(op, answer(op, reader));
        if (m_world.answerDelay() > 0)
            QThread::msleep(static_cast<unsigned long>(m_world.answerDelay()));
        socket->write(reinterpret_cast<const char*>(frame.data()),
                      static_cast<qint64>(frame.size()));
        socket->flush();
        if (op == Op::Quit)
            Q_EMIT quitRequested();
    }
}

std::vector<std::uint8_t> WireServer::answer(Op op, tsrwire::Reader& in) {
    const auto text = [&in] { return cp::decode(in.text().value_or(std::string())); };
    const auto log = [this](const QString& line) { Q_EMIT logged(line); };
    const World::Result bad{World::ErrBadUrl, QStringLiteral("Ung\u00FCltige Anfrage")};

    switch (op) {
    case Op::Connect: {
        const QString url = text();
        log(QStringLiteral("tsrConnect url=%1").arg(quoted(url)));
        return reply(m_world.connect(url));
    }
    case Op::Disconnect:
        log(QStringLiteral("tsrDisconnect"));
        return reply(m_world.disconnect());
    case Op::Quit:
        log(QStringLiteral("tsrQuit"));
        return reply({});
    case Op::GetUserInfo: {
        UserInfoRecord r{};
        const auto res = m_world.userInfo(r);
        return reply(res, tsrwire::Writer().bytes(&r, sizeof r));
    }
    case Op::GetPlayerInfoByID: {
        PlayerInfoRecord r{};
        const auto id = in.i32();
        if (!id)
            return reply(bad);
        const auto res = m_world.playerInfo(*id, r);
        return reply(res, tsrwire::Writer().bytes(&r, sizeof r));
    }
    case Op::GetServerInfo: {
        ServerInfoRecord r{};
        const auto res = m_world.serverInfo(r);
        return reply(res, tsrwire::Writer().bytes(&r, sizeof r));
    }
    case Op::GetChannels:
    case Op::GetPlayers:
    case Op::GetSpeakers: {
        const auto capacity = in.i32();
        if (!capacity)
            return reply(bad);
        tsrwire::Writer w;
        World::Result res;
        if (op == Op::GetChannels) {
            std::vector<ChannelInfoRecord> list;
            res = m_world.channels(list, *capacity);
            w.i32(static_cast<std::int32_t>(list.size()))
                .bytes(list.data(), list.size() * sizeof(ChannelInfoRecord));
        } else if (op == Op::GetPlayers) {
            std::vector<PlayerInfoRecord> list;
            res = m_world.players(list, *capacity);
            w.i32(static_cast<std::int32_t>(list.size()))
                .bytes(list.data(), list.size() * sizeof(PlayerInfoRecord));
        } else {
            std::vector<std::int32_t> list;
            res = m_world.speakers(list, *capacity);
            w.i32(static_cast<std::int32_t>(list.size()));
            for (std::int32_t id : list)
                w.i32(id);
        }
        return reply(res, w);
    }
    case Op::SwitchChannelID: {
        const auto id = in.i32();
        const QString pw = text();
        if (!id)
            return reply(bad);
        log(QStringLiteral("tsrSwitchChannelID id=%1 password=%2").arg(*id).arg(quoted(pw)));
        return reply(m_world.switchChannel(*id, pw));
    }
    case Op::SetPlayerFlags: {
        const auto flags = in.i32();
        if (!flags)
            return reply(bad);
        log(QStringLiteral("tsrSetPlayerFlags flags=%1").arg(*flags));
        return reply(m_world.setFlags(*flags));
    }
    case Op::SendTextMessageToChannel:
    case Op::KickPlayerFromChannel:
    case Op::KickPlayerFromServer: {
        const auto id = in.i32();
        const QString t = text();
        if (!id)
            return reply(bad);
        if (op == Op::SendTextMessageToChannel) {
            log(QStringLiteral("tsrSendTextMessageToChannel channel=%1 text=%2")
                    .arg(*id)
                    .arg(quoted(t)));
            return reply(m_world.sendText(*id, t));
        }
        if (op == Op::KickPlayerFromChannel) {
            log(QStringLiteral("tsrKickPlayerFromChannel id=%1 reason=%2").arg(*id).arg(quoted(t)));
            return reply(m_world.kickFromChannel(*id, t));
        }
        log(QStringLiteral("tsrKickPlayerFromServer id=%1 reason=%2").arg(*id).arg(quoted(t)));
        return reply(m_world.kickFromServer(*id, t));
    }
    }
    return reply(bad);
}
