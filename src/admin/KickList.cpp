#include "KickList.h"

#include "Entries.h"
#include "TSRemote.h"

#include <algorithm>

namespace kicklist {

QString line(std::int32_t playerId, const QString& nickname) {
    return QString::number(playerId) + QStringLiteral(" #      ") + clientlink::cutAtNul(nickname);
}

QStringList FillPlayerList(clientlink::TSRemote& ts, std::int32_t allUser) {
    ts.TSGetPlayers(); // a failure leaves the previous list, which is then shown
    QStringList lines;
    const auto n =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(allUser, 0)), ts.PlayerList.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t id = ts.PlayerList[i].PlayerID;
        lines << line(id, ts.TSGetPlayerInfo(id).NickName);
    }
    return lines;
}

std::optional<std::int32_t> playerIdOf(const QString& line) {
    bool ok = false;
    const std::int32_t id = line.section(QLatin1Char('#'), 0, 0).trimmed().toInt(&ok);
    return ok ? std::optional(id) : std::nullopt;
}

} // namespace kicklist
