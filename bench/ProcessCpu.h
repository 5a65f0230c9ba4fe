#pragma once

#include <QDir>
#include <QFile>
#include <QString>

// Time a process's threads have run so far, in ms, as the scheduler counts it to the
// nanosecond (/proc/.../stat counts in whole clock ticks, which a thread waking every
// 10 ms is charged at random).
inline double cpuMs(qint64 pid) {
    double ns = 0;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks + QLatin1Char('/') + task + QStringLiteral("/schedstat"));
        if (f.open(QIODevice::ReadOnly))
            ns += f.readAll().split(' ').value(0).toDouble();
    }
    return ns / 1e6;
}
