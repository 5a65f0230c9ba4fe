#pragma once

// The lines between the program and its keying process: ASCII, one message a line, at
// most MaxLine bytes. A request is "<id> <verb> [<number>]", its answer "<id> <code>
// [<text>]"; id 0 is the process's own word (the interface's open result first, then
// what it did by itself). Everything the program sends counts as a heartbeat.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keyerwire {

inline constexpr std::size_t MaxLine = 512;

// The verbs the program sends.
enum class Verb : char {
    Rts = 'R',       // number 1 or 0: the keying line (RTS, or the PTT of other ways)
    Dtr = 'D',       // the same with DTR
    Inputs = 'G',    // the status lines now: answer text is the bits
    Changes = 'N',   // number: a status line's bit; answer text is its change count
    Wait = 'W',      // number: the lines last seen; answered once they differ or X arrives
    Interrupt = 'X', // ends a waiting W (or the next one)
    Check = 'C',     // the interface is still there?
    Heartbeat = 'H', // not answered
    Quit = 'Q',      // drop the line and end
};

struct Request {
    std::uint32_t id = 0;
    Verb verb = Verb::Heartbeat;
    std::int64_t number = 0;
};

struct Answer {
    std::uint32_t id = 0;
    int code = 0; // platform::SerialLine::Result
    std::string text;
};

std::string format(const Request& r);
std::string format(const Answer& a);
// nullopt for anything that is not exactly such a line (without its line feed).
std::optional<Request> parseRequest(std::string_view line);
std::optional<Answer> parseAnswer(std::string_view line);

} // namespace keyerwire
