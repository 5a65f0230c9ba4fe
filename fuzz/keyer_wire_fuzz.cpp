// The lines between the program and its keying process, read both ways: whatever arrives
// is either refused or a message that formats back to the very line it came from (so no
// two readings of one line exist), and never a line longer than the wire allows.
#include "Check.h"
#include "KeyerWire.h"

#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    if (const auto r = keyerwire::parseRequest(line)) {
        const std::string again = keyerwire::format(*r);
        check(again.size() <= keyerwire::MaxLine + 1 && again.back() == '\n');
        const auto back =
            keyerwire::parseRequest(std::string_view(again).substr(0, again.size() - 1));
        check(back && back->id == r->id && back->verb == r->verb && back->number == r->number);
    }
    if (const auto a = keyerwire::parseAnswer(line)) {
        check(a->code >= 0 && a->code <= 100);
        const std::string again = keyerwire::format(*a);
        check(again.size() <= keyerwire::MaxLine + 1);
        const auto back =
            keyerwire::parseAnswer(std::string_view(again).substr(0, again.size() - 1));
        check(back && back->id == a->id && back->code == a->code);
    }
    return 0;
}
