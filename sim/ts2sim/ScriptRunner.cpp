#include "ScriptRunner.h"

#include "World.h"

#include <QRegularExpression>
#include <QTimer>

namespace {

std::optional<std::int32_t> number(const QString& s) {
    bool ok = false;
    const int v = s.toInt(&ok, 0);
    return ok ? std::optional<std::int32_t>(v) : std::nullopt;
}

// The rest of the line after the first n words, as typed.
QString rest(const QString& line, int n) {
    const QRegularExpression re(QStringLiteral("^\\s*(?:\\S+\\s+){%1}").arg(n));
    const auto m = re.match(line);
    return m.hasMatch() ? line.mid(m.capturedLength()).trimmed() : QString();
}

} // namespace

ScriptRunner::ScriptRunner(World& world, QObject* parent)
    : QObject(parent), m_world(world), m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    // Scenarios pace speech by these waits: a coarse timer could end one early.
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_waiting = false;
        pump();
    });
}

void ScriptRunner::enqueue(const QString& line) {
    m_queue << line;
    if (!m_waiting)
        pump();
}

void ScriptRunner::pump() {
    while (!m_waiting && !m_queue.isEmpty()) {
        const QString line = m_queue.takeFirst();
        ++m_lineNumber;
        int waitMs = 0;
        const QString error = apply(line, waitMs);
        if (!error.isEmpty())
            Q_EMIT logged(QStringLiteral("script line %1: %2").arg(m_lineNumber).arg(error));
        if (waitMs > 0) {
            m_waiting = true;
            m_timer->start(waitMs);
        }
    }
}

QString ScriptRunner::apply(const QString& rawLine, int& waitMs) {
    QString line = rawLine;
    if (const qsizetype hash = line.indexOf(QLatin1Char('#')); hash >= 0)
        line.truncate(hash);
    const QStringList w =
        line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (w.isEmpty())
        return {};
    const QString& cmd = w[0];
    const auto id = [&](int i) -> std::optional<std::int32_t> {
        if (i >= w.size())
            return std::nullopt;
        if (w[i] == QLatin1String("own"))
            return m_world.ownId();
        return number(w[i]);
    };

    if (cmd == QLatin1String("wait") && w.size() == 2 && number(w[1]) && *number(w[1]) >= 0) {
        waitMs = *number(w[1]);
        return {};
    }
    if (cmd == QLatin1String("lag") && w.size() == 2 && number(w[1]) && *number(w[1]) >= 0 &&
        *number(w[1]) <= 10000) {
        m_world.setAnswerDelay(*number(w[1]));
        return {};
    }
    if (cmd == QLatin1String("channel") && w.size() >= 4 && id(1) && id(2)) {
        World::Channel c;
        c.id = *id(1);
        c.parent = *id(2);
        c.name = rest(line, 3);
        return m_world.addChannel(c) ? QString()
                                     : QStringLiteral("cannot add channel %1").arg(c.id);
    }
    if (cmd == QLatin1String("password") && w.size() >= 2 && id(1)) {
        // Extension: password ID [TEXT] sets or clears a channel's password.
        return m_world.setChannelPassword(*id(1), rest(line, 2))
                   ? QString()
                   : QStringLiteral("no channel %1").arg(w[1]);
    }
    if (cmd == QLatin1String("player") && w.size() >= 4 && id(1) && id(2)) {
        World::Player p;
        p.id = *id(1);
        p.channel = *id(2);
        p.nickname = rest(line, 3);
        p.privileges = 8;
        return m_world.addPlayer(p) ? QString() : QStringLiteral("cannot add player %1").arg(p.id);
    }
    if (cmd == QLatin1String("speak") && w.size() == 3 && id(1) &&
        (w[2] == QLatin1String("on") || w[2] == QLatin1String("off"))) {
        return m_world.setSpeaking(*id(1), w[2] == QLatin1String("on"))
                   ? QString()
                   : QStringLiteral("no player %1").arg(w[1]);
    }
    if (cmd == QLatin1String("leave") && w.size() == 2 && id(1))
        return m_world.removePlayer(*id(1)) ? QString() : QStringLiteral("no player %1").arg(w[1]);
    if (cmd == QLatin1String("move") && w.size() == 3 && id(1) && id(2))
        return m_world.movePlayer(*id(1), *id(2)) ? QString()
                                                  : QStringLiteral("cannot move %1").arg(w[1]);
    if (cmd == QLatin1String("own") && w.size() >= 2) {
        std::optional<std::int32_t> privileges, channelPrivileges, flags;
        for (int i = 1; i < w.size(); ++i) {
            const QString key = w[i].section(QLatin1Char('='), 0, 0);
            const auto value = number(w[i].section(QLatin1Char('='), 1));
            if (!value)
                return QStringLiteral("bad value in %1").arg(w[i]);
            if (key == QLatin1String("privileges"))
                privileges = value;
            else if (key == QLatin1String("channelprivileges"))
                channelPrivileges = value;
            else if (key == QLatin1String("flags"))
                flags = value;
            else
                return QStringLiteral("unknown key %1").arg(key);
        }
        m_world.setOwn(privileges, channelPrivileges, flags);
        return {};
    }
    if (cmd == QLatin1String("connect") && w.size() >= 2)
        return m_world.connect(rest(line, 1)).error;
    if (cmd == QLatin1String("disconnect") && w.size() == 1)
        return m_world.disconnect().error;
    if (cmd == QLatin1String("quit") && w.size() == 1) {
        Q_EMIT quitRequested();
        return {};
    }
    return QStringLiteral("cannot understand: %1").arg(rawLine.trimmed());
}
