#include "ProfileFunctions.h"

#include "AtomicFile.h"

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

bool sameName(std::string_view a, std::string_view b) {
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

std::vector<Line> splitLines(std::string_view content) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        const size_t nl = content.find('\n', pos);
        Line l;
        l.begin = pos;
        l.next = nl == std::string_view::npos ? content.size() : nl + 1;
        l.end = nl == std::string_view::npos ? content.size() : nl;
        if (l.end > l.begin && content[l.end - 1] == '\r')
            --l.end;
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

Found find(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Found f;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (auto name = sectionName(lines[i].text)) {
            if (f.header)
                break; // the first section of that name is the one that counts
            if (sameName(*name, section)) {
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
            if (auto kl = keyLine(lines[i].text); kl && sameName(kl->key, key))
                f.key = i;
        }
    }
    return f;
}

std::string_view lineEnding(std::string_view content) {
    const size_t nl = content.find('\n');
    if (nl != std::string_view::npos && nl > 0 && content[nl - 1] == '\r')
        return "\r\n";
    return "\n";
}

std::string unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

} // namespace

std::optional<std::string> lookup(std::string_view content, std::string_view section,
                                  std::string_view key, Quotes quotes) {
    const auto lines = splitLines(content);
    const Found f = find(lines, section, key);
    if (!f.key)
        return std::nullopt;
    const std::string_view value = keyLine(lines[*f.key].text)->value;
    return quotes == Quotes::Strip ? unquote(value) : std::string(value);
}

bool validForWrite(std::string_view section, std::string_view key, std::string_view value) {
    auto clean = [](std::string_view s) {
        return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
    };
    if (!clean(section) || !clean(key) || !clean(value))
        return false;
    if (trim(section).empty() || trim(key).empty())
        return false;
    if (trim(key).front() == '[' || key.find('=') != std::string_view::npos)
        return false;
    return true;
}

std::string withValue(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view value) {
    const auto lines = splitLines(content);
    const Found f = find(lines, section, key);
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
    if (!content.empty() && content.back() != '\n')
        out.append(eol);
    out.push_back('[');
    out.append(section);
    out.push_back(']');
    out.append(eol);
    out.append(entry);
    out.append(eol);
    return out;
}

std::string getString(const std::string& file, std::string_view section, std::string_view key,
                      std::string_view fallback, std::size_t bufferSize) {
    std::string value(fallback);
    if (auto content = readWholeFile(file)) {
        if (auto found = lookup(*content, section, key))
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
    return replaceFileAtomically(file, withValue(content, section, key, value))
               ? WriteResult::Ok
               : WriteResult::Failed;
}

} // namespace platform::profile
