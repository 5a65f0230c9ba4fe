#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

// The single-byte code page of the settings file and of the client's texts.
namespace platform::windows1252 {

QString decode(std::string_view bytes);
inline QString decode(const QByteArray& bytes) {
    return decode(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

// Characters the code page cannot hold become "?", as the platform's own conversion does.
std::string encode(const QString& text);

} // namespace platform::windows1252
