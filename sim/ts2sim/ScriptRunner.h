#pragma once

#include <QObject>
#include <QStringList>

class World;
class QTimer;

// Runs the scenario commands, one per line, in the order they arrive (the script
// file first, then standard input); "wait MS" holds the later ones back.
class ScriptRunner : public QObject {
    Q_OBJECT
public:
    explicit ScriptRunner(World& world, QObject* parent = nullptr);

    void enqueue(const QString& line);
    bool idle() const { return m_queue.isEmpty() && !m_waiting; }

    // One command; returns what went wrong, empty when it was done.
    // A wait sets waitMs instead of pausing.
    QString apply(const QString& line, int& waitMs);

Q_SIGNALS:
    void logged(const QString& line);
    void quitRequested();

private:
    void pump();

    World& m_world;
    QStringList m_queue;
    bool m_waiting = false;
    QTimer* m_timer;
    int m_lineNumber = 0;
};
