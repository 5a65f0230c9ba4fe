#include "KeyerWire.h"

#include <charconv>

namespace keyerwire {
namespace {

constexpr std::string_view Verbs = "RDGNWXCHQ";

// A decimal number of at most 18 digits at the front of text; text keeps what follows.
std::optional<std::int64_t> number(std::string_view& text) {
    const std::size_t sign = !text.empty() && text[0] == '-' ? 1 : 0;
    std::size_t digits = 0;
    while (sign + digits < text.size() && text[sign + digits] >= '0' && text[sign + digits] <= '9')
        ++digits;
    if (digits == 0 || digits > 18)
        return std::nullopt;
    std::int64_t value = 0;
    std::from_chars(text.data() + sign, text.data() + sign + digits, value);
    text.remove_prefix(sign + digits);
    return sign ? -value : value;
}

bool numbered(Verb v) {
    return v == Verb::Rts || v == Verb::Dtr || v == Verb::Changes || v == Verb::Wait;
}

bool printable(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            return false;
    return true;
}

} // namespace

std::string format(const Request& r) {
    std::string line = std::to_string(r.id) + ' ' + static_cast<char>(r.verb);
    if (numbered(r.verb))
        line += ' ' + std::to_string(r.number);
    return line + '\n';
}

std::string format(const Answer& a) {
    std::string line = std::to_string(a.id) + ' ' + std::to_string(a.code);
    if (!a.text.empty()) {
        std::string text = a.text.substr(0, MaxLine - 32);
        for (char& c : text)
            if (static_cast<unsigned char>(c) < 0x20)
                c = ' ';
        line += ' ' + text;
    }
    return line + '\n';
}

std::optional<Request> parseRequest(std::string_view line) {
    if (line.size() > MaxLine)
        return std::nullopt;
    const auto id = number(line);
    if (!id || *id < 0 || *id > UINT32_MAX || line.size() < 2 || line[0] != ' ' ||
        Verbs.find(line[1]) == std::string_view::npos)
        return std::nullopt;
    Request r;
    r.id = static_cast<std::uint32_t>(*id);
    r.verb = static_cast<Verb>(line[1]);
    line.remove_prefix(2);
    if (!numbered(r.verb))
        return line.empty() ? std::optional(r) : std::nullopt;
    if (line.size() < 2 || line[0] != ' ')
        return std::nullopt;
    line.remove_prefix(1);
    const auto n = number(line);
    if (!n || !line.empty())
        return std::nullopt;
    r.number = *n;
    return r;
}

std::optional<Answer> parseAnswer(std::string_view line) {
    if (line.size() > MaxLine || !printable(line))
        return std::nullopt;
    const auto id = number(line);
    if (!id || *id < 0 || *id > UINT32_MAX || line.size() < 2 || line[0] != ' ')
        return std::nullopt;
    line.remove_prefix(1);
    const auto code = number(line);
    if (!code || *code < 0 || *code > 100)
        return std::nullopt;
    Answer a{static_cast<std::uint32_t>(*id), static_cast<int>(*code), {}};
    if (!line.empty()) {
        if (line[0] != ' ')
            return std::nullopt;
        a.text = std::string(line.substr(1));
    }
    return a;
}

} // namespace keyerwire
