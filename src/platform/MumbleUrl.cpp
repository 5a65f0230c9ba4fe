#include "MumbleUrl.h"

#include <QUrl>

namespace platform::mumble {
namespace {

// Everything but the unreserved characters is encoded, the separators of the URL too.
QString encoded(const QString& field) {
    return QString::fromLatin1(QUrl::toPercentEncoding(field));
}

} // namespace

std::optional<QString> connectUrl(const QString& host, const QString& port, const QString& nickname,
                                  const QString& password, const QString& channel) {
    const QString name = host.trimmed();
    QUrl check;
    check.setHost(name, QUrl::StrictMode);
    if (name.isEmpty() || !check.isValid() || check.host().isEmpty())
        return std::nullopt;
    const QString portText = port.trimmed();
    bool numeric = false;
    const int portNumber = portText.toInt(&numeric);
    if (!portText.isEmpty() && (!numeric || portNumber < 1 || portNumber > 65535))
        return std::nullopt;

    QString url = QStringLiteral("mumble://");
    if (!nickname.isEmpty()) {
        url += encoded(nickname);
        if (!password.isEmpty())
            url += QLatin1Char(':') + encoded(password);
        url += QLatin1Char('@');
    }
    // A literal IPv6 address keeps its brackets; QUrl gives the host as the client reads it.
    url += check.host(QUrl::FullyEncoded).contains(QLatin1Char(':'))
               ? QLatin1Char('[') + check.host(QUrl::FullyEncoded) + QLatin1Char(']')
               : check.host(QUrl::FullyEncoded);
    if (!portText.isEmpty())
        url += QLatin1Char(':') + QString::number(portNumber);
    url += QLatin1Char('/');
    if (!channel.isEmpty())
        url += encoded(channel);
    return url + QStringLiteral("?version=1.2.0");
}

std::optional<CurrentUrl> parseCurrentUrl(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("mumble") || url.host().isEmpty())
        return std::nullopt;
    CurrentUrl out;
    out.user = url.userName(QUrl::FullyDecoded);
    out.host = url.host(QUrl::FullyDecoded);
    out.port = url.port(-1);
    for (const QString& part : url.path(QUrl::FullyEncoded).split(QLatin1Char('/'))) {
        if (!part.isEmpty())
            out.channelPath << QUrl::fromPercentEncoding(part.toUtf8());
    }
    return out;
}

} // namespace platform::mumble
