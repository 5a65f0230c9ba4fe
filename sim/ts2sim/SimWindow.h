#pragma once

#include <QWidget>

class QComboBox;
class QPlainTextEdit;
class QTreeWidget;
class World;

// The simulated client for people: channels and players, who speaks, the own
// player's rights, and the log of every call.
class SimWindow : public QWidget {
    Q_OBJECT
public:
    explicit SimWindow(World& world, QWidget* parent = nullptr);
    void appendLog(const QString& line);

private:
    void refresh();
    std::int32_t selectedPlayer() const;
    std::int32_t selectedChannel() const;
    void toggleSpeaking();
    void addPlayer();
    void removePlayer();
    void setOwnRole(int index);

    World& m_world;
    QTreeWidget* m_tree;
    QPlainTextEdit* m_log;
    QComboBox* m_role;
    std::int32_t m_nextPlayerId = 10;
};
