// The settings file: any bytes read without harm; a write lands where a read finds it
// and disturbs no other key.
#include "Check.h"
#include "ProfileFunctions.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

using namespace platform::profile;

namespace {

std::string expectedRead(std::string v) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1a';
    };
    while (!v.empty() && blank(v.front()))
        v.erase(0, 1);
    while (!v.empty() && blank(v.back()))
        v.pop_back();
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeRandomLengthString(24);
    const std::string key = in.ConsumeRandomLengthString(24);
    const std::string value = in.ConsumeRandomLengthString(64);
    std::string probes[4][2];
    for (auto& p : probes) {
        p[0] = in.ConsumeRandomLengthString(16);
        p[1] = in.ConsumeRandomLengthString(16);
    }
    const std::string file = in.ConsumeRemainingBytesAsString();

    (void)readValue(file, section, key);
    if (!validForWrite(section, key, value))
        return 0;
    const std::string written = writeValue(file, section, key, value);
    const auto back = readValue(written, section, key);
    check(back.has_value() && *back == expectedRead(value));

    // Two writes that differ only in the value tell the written key from every other.
    const std::string one = writeValue(file, section, key, "1");
    const std::string two = writeValue(file, section, key, "2");
    for (const auto& p : probes) {
        const auto a = readValue(one, p[0], p[1]);
        const auto b = readValue(two, p[0], p[1]);
        if (a == b)
            check(a == readValue(file, p[0], p[1])); // another key: left alone
        else
            check(a == std::optional<std::string>("1") && b == std::optional<std::string>("2"));
    }
    return 0;
}
