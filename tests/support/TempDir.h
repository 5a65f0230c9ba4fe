#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <string>

// A scratch folder with helpers for byte-exact file contents.
class TempDir {
public:
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    std::string fileBytesPath(const QString& name) const {
        return QFile::encodeName(file(name)).toStdString();
    }

    void write(const QString& name, const QByteArray& bytes) const {
        QFile f(file(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
    }
    QByteArray read(const QString& name) const { return readAll(file(name)); }
    static QByteArray readAll(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
};
