#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace clientlink {
class TSRemote;
}

// What the kick dialog lists and how it reads a chosen line back.
namespace kicklist {

inline constexpr const char* KickReason = "Kicked by Orvanta SA";

// One line per player: the id, " #      ", the nickname cut at its first NUL.
QString line(std::int32_t playerId, const QString& nickname);

// FillPlayerList: the players as the client lists them now, one line for each of the
// first allUser entries (no more than the listing holds), each nickname asked anew.
QStringList FillPlayerList(clientlink::TSRemote& ts, std::int32_t allUser);

// The player id of a line: its text up to the first "#", blanks ignored.
std::optional<std::int32_t> playerIdOf(const QString& line);

} // namespace kicklist
