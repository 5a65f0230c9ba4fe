#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace platform::mumble {

// mumble://[user[:password]@]host[:port][/channel][?version=1.2.0] from the login page's
// fields. Every field is percent-encoded, so no character in one (a "@", "/", "?" or
// ":") can change the URL's meaning; a channel is one name, never a path. An address
// that is no host name (blanks, a path, a user part) gives no URL.
std::optional<QString> connectUrl(const QString& host, const QString& port, const QString& nickname,
                                  const QString& password, const QString& channel);

// What the client's current URL tells about the connection.
struct CurrentUrl {
    QString user;
    QString host;
    int port = -1; // -1: none given
    QStringList channelPath;
};
std::optional<CurrentUrl> parseCurrentUrl(const QString& url);

} // namespace platform::mumble
