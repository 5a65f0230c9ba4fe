#pragma once

#include "Rig.h"

// Another program holds the file in an exclusive transaction (the sqlite3 command here).
class LockedBy {
public:
    explicit LockedBy(const QString& db) {
        m_sqlite.start(QStringLiteral("sqlite3"), {db});
        m_sqlite.write(".timeout 5000\nBEGIN EXCLUSIVE;\nSELECT 'gesperrt';\n");
        locked = waitUntil(
            [&] {
                m_sqlite.waitForReadyRead(50);
                m_said += m_sqlite.readAllStandardOutput();
                return m_said.contains("gesperrt");
            },
            5000);
    }
    ~LockedBy() { release(); }
    void release() {
        if (!m_sqlite.running())
            return;
        m_sqlite.write("COMMIT;\n.quit\n");
        m_sqlite.closeWriteChannel();
        m_sqlite.waitForFinished(5000);
    }
    bool locked = false;

private:
    Child m_sqlite;
    QByteArray m_said;
};
