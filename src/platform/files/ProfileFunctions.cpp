#include "ProfileFunctions.h"

#include "AtomicFile.h"
#include "Windows1252.h"

#include <QString>

#include <vector>

namespace platform::profile {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Letter case folded the way the ANSI code page does: ASCII and the Latin-1 letters.
unsigned char fold(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<unsigned char>(c + 32);
    return c;
}

// In a Unicode file the names are UTF-8; they match as the code page's letters would.
bool sameUnicodeName(std::string_view a, std::string_view b) {
    return QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())),
                        Qt::CaseInsensitive) == 0;
}

bool sameName(std::string_view a, std::string_view b, bool utf8) {
    if (utf8)
        return sameUnicodeName(a, b);
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

struct Line {
    size_t begin = 0; // offset of the line in the content
    size_t end = 0;   // offset after the line's text, before its terminator
    size_t next = 0;  // offset of the following line
    std::string_view text;
};

// Lines end in LF, CR LF or a lone CR (files from old editors).
std::vector<Line> splitLines(std::string_view content) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        const size_t brk = content.find_first_of("\r\n", pos);
        Line l;
        l.begin = pos;
        l.end = brk == std::string_view::npos ? content.size() : brk;
        l.next = l.end;
        if (brk != std::string_view::npos) {
            l.next = brk + 1;
            if (content[brk] == '\r' && l.next < content.size() && content[l.next] == '\n')
                ++l.next;
        }
        l.text = content.substr(l.begin, l.end - l.begin);
        lines.push_back(l);
        pos = l.next;
    }
    return lines;
}

// The section name of a header line, or nullopt for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const size_t close = line.rfind(']');
    if (close == std::string_view::npos || close == 0)
        return std::nullopt;
    return trim(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line) {
    const std::string_view t = trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[')
        return std::nullopt;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return KeyLine{trim(line.substr(0, eq)), trim(line.substr(eq + 1))};
}

struct Found {
    std::optional<size_t> header; // index of the section's header line
    std::optional<size_t> key;    // index of the key's line
    size_t lastContent = 0;       // index of the section's last non-blank line
};

Found find(const std::vector<Line>& lines, std::string_view section, std::string_view key,
           bool utf8) {
    Found f;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (auto name = sectionName(lines[i].text)) {
            if (f.header)
                break; // the first section of that name is the one that counts
            if (sameName(*name, section, utf8)) {
                f.header = i;
                f.lastContent = i;
            }
            continue;
        }
        if (!f.header)
            continue;
        if (!trim(lines[i].text).empty())
            f.lastContent = i;
        if (!f.key) {
            if (auto kl = keyLine(lines[i].text); kl && sameName(kl->key, key, utf8))
                f.key = i;
        }
    }
    return f;
}

// The file's own line ending, taken from its first line; LF for a new file.
std::string_view lineEnding(std::string_view content) {
    const size_t brk = content.find_first_of("\r\n");
    if (brk == std::string_view::npos || content[brk] == '\n')
        return "\n";
    return brk + 1 < content.size() && content[brk + 1] == '\n' ? "\r\n" : "\r";
}

bool endsWithBreak(std::string_view content) {
    return !content.empty() && (content.back() == '\n' || content.back() == '\r');
}

std::string unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// How the file's bytes are held. A byte-order mark says the file is Unicode; the
// names and values the program passes are Windows-1252 and are converted.
enum class Encoding { Ansi, Utf8, Utf16Le };

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LeMark = "\xFF\xFE";

struct Text {
    Encoding encoding = Encoding::Ansi;
    std::string body; // Ansi: the bytes as they are; otherwise UTF-8 without the mark
};

Text decodeFile(std::string bytes) {
    std::string_view v(bytes);
    if (v.substr(0, Utf8Mark.size()) == Utf8Mark)
        return {Encoding::Utf8, bytes.substr(Utf8Mark.size())};
    if (v.substr(0, Utf16LeMark.size()) == Utf16LeMark) {
        const auto units = static_cast<qsizetype>((v.size() - Utf16LeMark.size()) / 2);
        QString text(units, Qt::Uninitialized);
        for (qsizetype i = 0; i < units; ++i) {
            const auto at = Utf16LeMark.size() + 2 * static_cast<size_t>(i);
            text[i] = QChar(static_cast<char16_t>(static_cast<unsigned char>(v[at]) |
                                                  static_cast<unsigned char>(v[at + 1]) << 8));
        }
        return {Encoding::Utf16Le, text.toStdString()};
    }
    return {Encoding::Ansi, std::move(bytes)};
}

std::string encodeFile(const Text& t) {
    switch (t.encoding) {
    case Encoding::Ansi:
        break;
    case Encoding::Utf8:
        return std::string(Utf8Mark) + t.body;
    case Encoding::Utf16Le: {
        const QString text = QString::fromStdString(t.body);
        std::string out(Utf16LeMark);
        out.reserve(out.size() + 2 * static_cast<size_t>(text.size()));
        for (QChar c : text) {
            out.push_back(static_cast<char>(c.unicode() & 0xFF));
            out.push_back(static_cast<char>(c.unicode() >> 8));
        }
        return out;
    }
    }
    return t.body;
}

// A name or value of the program (Windows-1252) in the file's own encoding, and back.
std::string toFile(std::string_view ansi, Encoding e) {
    return e == Encoding::Ansi ? std::string(ansi)
                               : windows1252::decode(ansi).toUtf8().toStdString();
}
std::string fromFile(std::string_view text, Encoding e) {
    return e == Encoding::Ansi ? std::string(text)
                               : windows1252::encode(QString::fromUtf8(
                                     text.data(), static_cast<qsizetype>(text.size())));
}

std::optional<std::string> lookupIn(std::string_view content, std::string_view section,
                                    std::string_view key, Quotes quotes, bool utf8) {
    const auto lines = splitLines(content);
    // Names are trimmed as the file's own names are, so every name a write takes is found.
    const Found f = find(lines, trim(section), trim(key), utf8);
    if (!f.key)
        return std::nullopt;
    const std::string_view value = keyLine(lines[*f.key].text)->value;
    return quotes == Quotes::Strip ? unquote(value) : std::string(value);
}

std::string withValueIn(std::string_view content, std::string_view section, std::string_view key,
                        std::string_view value, bool utf8) {
    section = trim(section);
    key = trim(key);
    const auto lines = splitLines(content);
    const Found f = find(lines, section, key, utf8);
    const std::string_view eol = lineEnding(content);
    std::string out;
    out.reserve(content.size() + section.size() + key.size() + value.size() + 8);

    if (f.key) {
        const Line& l = lines[*f.key];
        out.append(content.substr(0, l.begin));
        out.append(keyLine(l.text)->key);
        out.push_back('=');
        out.append(value);
        out.append(content.substr(l.end));
        return out;
    }

    const std::string entry = std::string(key) + "=" + std::string(value);
    if (f.header) {
        const Line& after = lines[f.lastContent];
        out.append(content.substr(0, after.next));
        if (after.next == after.end) // the file ended without a line break
            out.append(eol);
        out.append(entry);
        out.append(eol);
        out.append(content.substr(after.next));
        return out;
    }

    out.append(content);
    if (!content.empty() && !endsWithBreak(content))
        out.append(eol);
    out.push_back('[');
    out.append(section);
    out.push_back(']');
    out.append(eol);
    out.append(entry);
    out.append(eol);
    return out;
}

} // namespace

std::optional<std::string> lookup(std::string_view content, std::string_view section,
                                  std::string_view key, Quotes quotes) {
    return lookupIn(content, section, key, quotes, false);
}

std::string withValue(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view value) {
    return withValueIn(content, section, key, value, false);
}

bool validForWrite(std::string_view section, std::string_view key, std::string_view value) {
    auto clean = [](std::string_view s) {
        return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
    };
    if (!clean(section) || !clean(key) || !clean(value))
        return false;
    section = trim(section);
    key = trim(key);
    if (section.empty() || key.empty())
        return false;
    // "[" would start a section, ";" a comment: such a key could never be read back.
    if (key.front() == '[' || key.front() == ';' || key.find('=') != std::string_view::npos)
        return false;
    return true;
}

std::optional<std::string> readValue(std::string_view fileBytes, std::string_view section,
                                     std::string_view key) {
    const Text t = decodeFile(std::string(fileBytes));
    const bool utf8 = t.encoding != Encoding::Ansi;
    if (auto found = lookupIn(t.body, toFile(section, t.encoding), toFile(key, t.encoding),
                              Quotes::Strip, utf8))
        return fromFile(*found, t.encoding);
    return std::nullopt;
}

std::string writeValue(std::string_view fileBytes, std::string_view section, std::string_view key,
                       std::string_view value) {
    Text t = decodeFile(std::string(fileBytes));
    const Encoding e = t.encoding;
    t.body = withValueIn(t.body, toFile(section, e), toFile(key, e), toFile(value, e),
                         e != Encoding::Ansi);
    return encodeFile(t);
}

std::string getString(const std::string& file, std::string_view section, std::string_view key,
                      std::string_view fallback, std::size_t bufferSize) {
    std::string value(fallback);
    if (auto content = readWholeFile(file)) {
        if (auto found = readValue(*content, section, key))
            value = *found;
    }
    // The platform hands back a C string: it ends at the first NUL.
    if (const size_t nul = value.find('\0'); nul != std::string::npos)
        value.resize(nul);
    if (bufferSize == 0)
        return {};
    if (value.size() > bufferSize - 1)
        value.resize(bufferSize - 1);
    return value;
}

WriteResult writeString(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value) {
    if (!validForWrite(section, key, value))
        return WriteResult::Refused;
    // The whole read-modify-write under one lock: another writer's cycle in between
    // would bring back the value this one replaced.
    const FileLock lock(file);
    std::string content;
    switch (probeFile(file)) {
    case FileState::Missing:
        break;
    case FileState::Readable:
        if (auto c = readWholeFile(file)) {
            content = std::move(*c);
            break;
        }
        return WriteResult::Failed;
    case FileState::Unreadable:
        // Writing now would replace settings we could not read.
        return WriteResult::Failed;
    }
    return replaceFileAtomically(file, writeValue(content, section, key, value))
               ? WriteResult::Ok
               : WriteResult::Failed;
}

} // namespace platform::profile
