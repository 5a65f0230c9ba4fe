#include "frmKick.h"

#include "Glyphs.h"
#include "KickList.h"
#include "Prompts.h"
#include "SharedState.h"
#include "TSRemote.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using platform::Prompts;

frmKick::frmKick(app::SharedState& state, clientlink::TSRemote& ts, Prompts& prompts,
                 std::function<void()> showMainWindow, QWidget* parent)
    : QWidget(parent), m_state(state), m_ts(ts), m_prompts(prompts),
      m_showMainWindow(std::move(showMainWindow)) {
    setWindowTitle(QStringLiteral("Player kicken"));
    setWindowIcon(platform::glyphs::icon(platform::glyphs::Glyph::Kick));
    List1 = new QListWidget(this);
    cmdKickPlayerChannel = new QPushButton(QStringLiteral("CHANNEL"), this);
    cmdKickPlayerChannel->setToolTip(QStringLiteral("Player vom Channel kicken"));
    cmdKickPlayerServer = new QPushButton(QStringLiteral("SERVER"), this);
    cmdKickPlayerServer->setToolTip(QStringLiteral("Playe vom Server kicken"));
    cmdZurück = new QToolButton(this);
    cmdZurück->setIcon(platform::glyphs::icon(platform::glyphs::Glyph::TakeOver));
    cmdZurück->setToolTip(QStringLiteral("Zur\u00FCck"));
    // Each nickname passes through it while the list is filled; nobody needs to see it.
    lblNicknameKick = new QLabel(QStringLiteral("Label1"), this);
    lblNicknameKick->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdKickPlayerChannel);
    buttons->addWidget(cmdKickPlayerServer);
    buttons->addStretch();
    buttons->addWidget(cmdZurück);
    auto* top = new QVBoxLayout(this);
    top->addWidget(List1);
    top->addLayout(buttons);
    resize(320, 360);

    connect(cmdKickPlayerChannel, &QPushButton::clicked, this,
            &frmKick::cmdKickPlayerChannel_Click);
    connect(cmdKickPlayerServer, &QPushButton::clicked, this, &frmKick::cmdKickPlayerServer_Click);
    connect(cmdZurück, &QToolButton::clicked, this, &frmKick::cmdZurück_Click);
    Timer1 = new QTimer(this);
    Timer1->setInterval(250);
    connect(Timer1, &QTimer::timeout, this, &frmKick::Timer1_Timer);

    FillPlayerList();
    Timer1->start();
}

void frmKick::FillPlayerList() {
    const QStringList lines = kicklist::FillPlayerList(m_ts, m_state.AllUser);
    List1->clear();
    List1->addItems(lines);
    if (!lines.isEmpty())
        lblNicknameKick->setText(lines.last().section(QLatin1Char('#'), 1).trimmed());
}

void frmKick::Timer1_Timer() {
    if (m_state.AllUser == m_knownUsers)
        return;
    m_knownUsers = m_state.AllUser;
    FillPlayerList();
}

void frmKick::kick(bool fromServer) {
    // Only a selected row counts: keyboard focus makes a row current without choosing it.
    const QList<QListWidgetItem*> chosen = List1->selectedItems();
    const QString text = chosen.isEmpty() ? QString() : chosen.first()->text();
    const auto id = kicklist::playerIdOf(text);
    if (text.isEmpty() || !id) {
        m_prompts.inform(QStringLiteral("Bitte Player ausw\u00E4hlen !"));
        return;
    }
    const QString question = fromServer ? QStringLiteral("Player vom Server kicken ?")
                                        : QStringLiteral("Player vom Channel kicken ?");
    if (m_prompts.message(question, Prompts::Icon::Question, Prompts::Buttons::YesNo,
                          Prompts::Answer::Yes) != Prompts::Answer::Yes)
        return;
    const QString reason = QString::fromLatin1(kicklist::KickReason);
    if (fromServer)
        m_ts.TSKickFromServer(*id, reason);
    else
        m_ts.TSKickFromChannel(*id, reason);
    if (m_showMainWindow)
        m_showMainWindow();
    hide();
}

void frmKick::cmdKickPlayerChannel_Click() {
    kick(false);
}

void frmKick::cmdKickPlayerServer_Click() {
    kick(true);
}

void frmKick::cmdZurück_Click() {
    hide();
    if (m_showMainWindow)
        m_showMainWindow();
}

void frmKick::closeEvent(QCloseEvent* event) {
    if (m_showMainWindow)
        m_showMainWindow();
    event->accept();
}
