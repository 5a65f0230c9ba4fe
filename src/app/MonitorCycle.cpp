#include "MonitorCycle.h"

#include "Clock.h"
#include "SharedState.h"
#include "TSRemote.h"

#include <algorithm>

namespace app {

using namespace clientlink;

namespace {

// A client that does not tell a count reports a negative one: shown as unknown.
QString countText(std::int32_t count) {
    return count < 0 ? QStringLiteral("\u2013") : QString::number(count);
}

} // namespace

MonitorCycle::MonitorCycle(SharedState& state, TSRemote& ts, const platform::Clock& clock,
                           MonitorHost host, MonitorSeams seams)
    : m_state(state), m_ts(ts), m_clock(clock), m_host(std::move(host)), m_seams(std::move(seams)) {
}

void MonitorCycle::onTick100ms() {
    // However slowly the client answers, one tick holds the window for this long at most.
    const platform::CallBudget budget(m_ts.library(), TickCallBudgetMs);
    run(m_seams.CheckMouseActivity);
    run(m_seams.CheckKeyboardActivity);
    ShowConnectionStatus();
    RefreshOwnID();
    ShowUserCount();
    ShowSpeaker();
    RefreshOwnID();
    ShowOwnNickname();
    FindOwnChannel();
    RefreshOwnPrivileges();
    ShowChannelUsers();
    run(m_seams.FindAwayChannel);
    ShowFlagButtons();
    run(m_seams.DriveKeyer);
    ApplyWindowSettings();
    ShowOwnFlags();
    KeepGatewayFlags();
    ShowKeyingBlock();
    ArrangeForRole();
    run(m_seams.Bake);
    view.imgIsAway = m_state.AutoAwayActive;
    if (m_seams.dtmfText) {
        if (const auto text = m_seams.dtmfText())
            view.lblDTMF = *text;
    }
}

void MonitorCycle::onTick1s() {
    SharedState& s = m_state;
    if (s.AutoAwayActive || s.ManualAway || !s.FuncAutoAway)
        s.IdleSeconds = 0;
    ++s.IdleSeconds;
    const int limit = (m_host.autoAwayMinutes ? m_host.autoAwayMinutes() : 1) * 60;
    if (s.IdleSeconds + 1 > limit)
        run(m_seams.EnterAutoAway);
    view.imgIsAway = m_state.AutoAwayActive; // the idle rule's own mark
    view.lblDebugTakt = QString::number(limit - s.IdleSeconds);
    view.lblZeit = m_clock.longTimeText(m_clock.localNow().time());
    view.lblZeitBackColor = view.lblZeitBackColor == ClockLight ? ClockDark : ClockLight;
}

void MonitorCycle::ShowConnectionStatus() {
    SharedState& s = m_state;
    view.onlyMicAndSound = mumble();
    const auto status = m_ts.TSGetSpeakers();
    m_connected = status == Connected;
    switch (status) {
    case NotRunning:
        view.cmdTSverbindenVisible = false;
        view.cmdTSStartenVisible = true;
        view.cmdTStrennenEnabled = false;
        view.flagButtonsEnabled = false;
        s.ChannelUsers = 0;
        s.AktuellerChannel.clear();
        s.TSNotStarted = true;
        view.lblVerbindungColor = Red;
        view.lblVerbindung = mumble() ? QStringLiteral("!!! MUMBLE NICHT GESTARTET !!!")
                                      : QStringLiteral("!!! TS NICHT GESTARTET !!!");
        break;
    case NotConnected:
        view.cmdTSverbindenEnabled = true;
        view.cmdTSverbindenVisible = true;
        view.cmdTSStartenVisible = false;
        view.cmdTStrennenEnabled = false;
        view.flagButtonsEnabled = false;
        s.ChannelUsers = 0;
        s.AktuellerChannel.clear();
        s.TSNotStarted = false;
        view.lblVerbindungColor = Yellow;
        view.lblVerbindung = QStringLiteral("DISCONNECTED");
        break;
    case Connected:
        view.cmdTSStartenVisible = false;
        view.cmdTStrennenEnabled = !view.onlyMicAndSound;
        view.flagButtonsEnabled = true;
        s.TSNotStarted = false;
        view.lblVerbindungColor = Green;
        view.lblVerbindung = QStringLiteral("CONNECTED");
        break;
    default:
        view.lblVerbindung.clear();
        break;
    }
}

void MonitorCycle::RefreshOwnID() {
    m_ts.TSReadOwnID();
    m_state.EigeneID = m_ts.OwnPlayerID;
}

void MonitorCycle::ShowUserCount() {
    m_state.AllUser = m_ts.TSGetServerInfo().PlayerCount;
    // Mumble tells no counts, connected or not.
    view.lblAllUser = mumble() ? countText(-1) : countText(m_state.AllUser);
    run(m_seams.recordUserMaximum);
}

void MonitorCycle::showSpeakerName(const QString& name, const QString& minimizedCaption) {
    view.lblSprecher = name;
    if (m_seams.speakerWindowText)
        m_seams.speakerWindowText(name);
    if (m_host.isMinimized && m_host.isMinimized())
        view.newCaption = minimizedCaption;
}

void MonitorCycle::ShowSpeaker() {
    SharedState& s = m_state;
    m_ts.TSGetSpeakers();
    // The first non-zero id among entries 0 to AllUser is the speaker.
    const auto& list = m_ts.SpeakerList;
    const std::size_t end =
        std::min(list.size(), static_cast<std::size_t>(std::max(s.AllUser, 0)) + 1);
    const auto found = std::find_if(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(end),
                                    [](std::int32_t id) { return id != 0; });
    if (found == list.begin() + static_cast<std::ptrdiff_t>(end)) {
        showSpeakerName(QString(), s.Programmname);
        s.FremdeID = 0;
        s.COMSenden = false;
        return;
    }
    s.FremdeID = *found;
    const QString nickname = cutAtNul(m_ts.TSGetPlayerInfo(s.FremdeID).NickName);
    showSpeakerName(nickname, nickname);
    s.COMSenden = s.EigeneID != s.FremdeID;
}

void MonitorCycle::ShowOwnNickname() {
    view.lblOwnNickname = cutAtNul(m_ts.TSGetPlayerInfo(m_state.EigeneID).NickName);
}

void MonitorCycle::FindOwnChannel() {
    SharedState& s = m_state;
    view.lblOwnChannel.clear();
    m_ts.TSGetChannels();
    const std::int32_t count = m_ts.TSGetServerInfo().ChannelCount;
    const std::size_t n =
        std::min(m_ts.ChannelList.size(), static_cast<std::size_t>(std::max(count, 0)));
    if (n == 0)
        return;
    // The own record does not change within a tick: one read serves every channel.
    const std::int32_t ownChannel = m_ts.TSGetPlayerInfo(s.EigeneID).ChannelID;
    for (std::size_t k = 0; k < n; ++k) {
        const ChannelEntry& c = m_ts.ChannelList[k];
        if (c.ChannelID == ownChannel) {
            s.AktuellerChannel = cutAtNul(c.Name);
            s.ChannelUsers = c.PlayerCount;
            s.ChannelOwnID = c.ChannelID;
            return;
        }
    }
}

void MonitorCycle::RefreshOwnPrivileges() {
    const OwnPrivileges p = m_ts.TSReadOwnPrivileges();
    m_state.FlagServerAdmin = p.FlagServerAdmin;
    m_state.FlagSuperServerAdmin = p.FlagSuperServerAdmin;
    m_state.FlagChannelAdmin = p.FlagChannelAdmin;
    m_state.FlagOperator = p.FlagOperator;
    m_state.FlagAutoOperator = p.FlagAutoOperator;
}

void MonitorCycle::ShowChannelUsers() {
    view.lblChannelUsers = mumble() ? countText(-1) : countText(m_state.ChannelUsers);
    view.lblOwnChannel = m_state.AktuellerChannel;
    if (!m_state.FuncGateway && m_seams.awayChannelRule)
        m_seams.awayChannelRule(view.lblOwnChannel);
}

void MonitorCycle::ShowFlagButtons() {
    view.flagButtonsVisible = !m_state.FuncGateway;
    if (m_state.FuncGateway)
        m_state.IdleSeconds = 0; // a gateway never counts idle time
}

void MonitorCycle::ApplyWindowSettings() {
    if (!m_state.FensterÄndern)
        return;
    if (m_host.setTopmost)
        m_host.setTopmost(m_state.Vordergrund);
    m_state.FensterÄndern = false;
}

void MonitorCycle::ShowOwnFlags() {
    SharedState& s = m_state;
    const OwnFlags f = m_ts.TSReadOwnFlags();
    s.FlagAway = f.FlagAway;
    s.FlagNoWhisper = f.FlagNoWhisper;
    s.FlagMicMute = f.FlagMicMute;
    s.FlagSoundMute = f.FlagSoundMute;
    s.FlagChannelCommander = f.FlagChannelCommander;
    s.FlagUnregistered = f.FlagUnregistered;
    view.flagImages = {s.FlagAway, s.FlagMicMute, s.FlagSoundMute, s.FlagChannelCommander,
                       s.FlagNoWhisper};
}

bool MonitorCycle::mumble() {
    return m_ts.library().kind() == platform::ClientKind::Mumble;
}

void MonitorCycle::KeepGatewayFlags() {
    const SharedState& s = m_state;
    // Mumble has none of these flags: nothing to keep. A client that is not connected has
    // no own player whose flags could be kept: nothing is sent to it.
    if (!s.FuncGateway || mumble() || !m_connected)
        return;
    if (!s.FlagChannelCommander)
        m_ts.TSSetChannelCommander(true);
    if (!s.FlagNoWhisper)
        m_ts.TSSetNoWhisper(true);
    if (s.FlagAway)
        m_ts.TSSetAway(false);
}

void MonitorCycle::ShowKeyingBlock() {
    if (m_state.frmCOM.COMPortsperren)
        view.imgSperren = true; // only a click on the image hides it again
}

void MonitorCycle::ArrangeForRole() {
    const SharedState& s = m_state;
    if (s.FuncGateway) {
        view.txtChannelMessageVisible = false;
        view.lblVerbindungTop = 2205;
        view.lblSprecherTop = 2575;
        // A gateway's operator reads the transmitter's use in the statistics window.
        view.cmdfrmKickPlayerVisible = false;
        view.cmdEinstellungenLeft = 120;
        view.cmdStaticVisible = true;
        view.cmdEndeLeft = 120;
        return;
    }
    const bool anyAdmin = s.FlagSuperServerAdmin || s.FlagServerAdmin || s.FlagChannelAdmin;
    view.txtChannelMessageVisible = anyAdmin;
    view.lblVerbindungTop = anyAdmin ? 2085 : 2205;
    view.lblSprecherTop = anyAdmin ? 2325 : 2575;
    const bool serverAdmin = s.FlagSuperServerAdmin || s.FlagServerAdmin;
    view.cmdfrmKickPlayerVisible = serverAdmin;
    view.cmdEinstellungenLeft = serverAdmin ? 120 : 360;
    view.cmdEndeLeft = serverAdmin ? 120 : 360;
    view.cmdStaticVisible = serverAdmin;
    view.chkControlRecordVisible = serverAdmin;
}

} // namespace app
