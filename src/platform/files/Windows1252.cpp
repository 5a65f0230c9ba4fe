#include "Windows1252.h"

#include <array>

namespace platform::windows1252 {
namespace {

// 0x80..0x9F differ from Latin-1; 0 marks the five unassigned bytes, which
// decode to the C1 control of the same value as the platform does.
constexpr std::array<char16_t, 32> High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

// Runs every tick over every text field the client sends: Latin-1 in one fast pass,
// then only the bytes 0x80 to 0x9F, where the code page differs, are put right.
QString decode(std::string_view bytes) {
    QString out = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80 && b < 0xA0)
            out[static_cast<qsizetype>(i)] = QChar(High[b - 0x80]);
    }
    return out;
}

std::string encode(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char mapped = '?';
        for (size_t i = 0; i < High.size(); ++i) {
            if (High[i] == c) {
                mapped = static_cast<char>(0x80 + i);
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

} // namespace platform::windows1252
