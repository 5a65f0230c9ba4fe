#include "SimWindow.h"

#include "World.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int IdRole = Qt::UserRole;
constexpr int KindRole = Qt::UserRole + 1; // 0 channel, 1 player
} // namespace

SimWindow::SimWindow(World& world, QWidget* parent)
    : QWidget(parent), m_world(world), m_tree(new QTreeWidget(this)),
      m_log(new QPlainTextEdit(this)), m_role(new QComboBox(this)) {
    setWindowTitle(QStringLiteral("ts2sim \u2013 simulierter TeamSpeak-2-Client"));
    m_tree->setHeaderLabels(
        {QStringLiteral("Channel / Spieler"), QStringLiteral("ID"), QStringLiteral("Status")});
    m_tree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_log->setReadOnly(true);
    m_log->setMaximumBlockCount(2000);
    m_role->addItems({QStringLiteral("Normal"), QStringLiteral("Channel-Admin"),
                      QStringLiteral("Server-Admin")});

    auto* speak = new QPushButton(QStringLiteral("Sprechen an/aus"), this);
    auto* add = new QPushButton(QStringLiteral("Spieler hinzuf\u00FCgen"), this);
    auto* remove = new QPushButton(QStringLiteral("Spieler entfernen"), this);
    connect(speak, &QPushButton::clicked, this, &SimWindow::toggleSpeaking);
    connect(add, &QPushButton::clicked, this, &SimWindow::addPlayer);
    connect(remove, &QPushButton::clicked, this, &SimWindow::removePlayer);
    connect(m_role, &QComboBox::activated, this, &SimWindow::setOwnRole);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, &SimWindow::toggleSpeaking);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(speak);
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    buttons->addWidget(new QLabel(QStringLiteral("Eigene Rechte:"), this));
    buttons->addWidget(m_role);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 3);
    layout->addLayout(buttons);
    layout->addWidget(m_log, 2);
    resize(560, 520);

    connect(&m_world, &World::changed, this, &SimWindow::refresh);
    refresh();
}

void SimWindow::appendLog(const QString& line) {
    m_log->appendPlainText(line);
}

void SimWindow::refresh() {
    const std::int32_t keepPlayer = selectedPlayer();
    const std::int32_t keepChannel = selectedChannel();
    m_tree->clear();
    const auto& speaking = m_world.speakerList();
    for (const World::Channel& c : m_world.channelList()) {
        auto* ch = new QTreeWidgetItem(m_tree);
        ch->setText(0, c.name + (c.password.isEmpty() ? QString() : QStringLiteral(" \U0001F512")));
        ch->setText(1, QString::number(c.id));
        ch->setData(0, IdRole, c.id);
        ch->setData(0, KindRole, 0);
        ch->setExpanded(true);
        if (c.id == keepChannel)
            m_tree->setCurrentItem(ch);
        for (const World::Player& p : m_world.playerList()) {
            if (p.channel != c.id)
                continue;
            auto* pl = new QTreeWidgetItem(ch);
            const bool talks = std::find(speaking.begin(), speaking.end(), p.id) != speaking.end();
            pl->setText(0, p.nickname + (p.id == m_world.ownId() ? QStringLiteral(" (eigener)")
                                                                 : QString()));
            pl->setText(1, QString::number(p.id));
            pl->setText(2, talks ? QStringLiteral("spricht") : QString());
            pl->setData(0, IdRole, p.id);
            pl->setData(0, KindRole, 1);
            if (talks)
                pl->setForeground(0, QColor(0, 140, 0));
            if (p.id == keepPlayer)
                m_tree->setCurrentItem(pl);
        }
    }
    m_tree->expandAll();
}

std::int32_t SimWindow::selectedPlayer() const {
    const QTreeWidgetItem* item = m_tree->currentItem();
    return item && item->data(0, KindRole).toInt() == 1 ? item->data(0, IdRole).toInt() : 0;
}

std::int32_t SimWindow::selectedChannel() const {
    const QTreeWidgetItem* item = m_tree->currentItem();
    if (item == nullptr)
        return 0;
    if (item->data(0, KindRole).toInt() == 1)
        item = item->parent();
    return item ? item->data(0, IdRole).toInt() : 0;
}

void SimWindow::toggleSpeaking() {
    const std::int32_t id = selectedPlayer();
    if (id == 0)
        return;
    const auto& s = m_world.speakerList();
    m_world.setSpeaking(id, std::find(s.begin(), s.end(), id) == s.end());
}

void SimWindow::addPlayer() {
    const std::int32_t channel =
        selectedChannel() != 0 ? selectedChannel() : m_world.defaultChannel();
    bool ok = false;
    const QString nick = QInputDialog::getText(this, windowTitle(), QStringLiteral("Nickname:"),
                                               QLineEdit::Normal, QString(), &ok);
    if (!ok || nick.isEmpty())
        return;
    while (m_world.findPlayer(m_nextPlayerId) != nullptr)
        ++m_nextPlayerId;
    World::Player p;
    p.id = m_nextPlayerId++;
    p.channel = channel;
    p.nickname = nick;
    p.privileges = 8;
    m_world.addPlayer(p);
}

void SimWindow::removePlayer() {
    const std::int32_t id = selectedPlayer();
    if (id != 0 && id != m_world.ownId())
        m_world.removePlayer(id);
}

void SimWindow::setOwnRole(int index) {
    const std::int32_t registered = 8;
    switch (index) {
    case 1:
        m_world.setOwn(registered, 1, std::nullopt);
        break;
    case 2:
        m_world.setOwn(registered | 2, 0, std::nullopt);
        break;
    default:
        m_world.setOwn(registered, 0, std::nullopt);
        break;
    }
}
