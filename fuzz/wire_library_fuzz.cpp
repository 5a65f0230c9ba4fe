// The client's answers as libTSRemote.so reads them: nothing a client sends may make the
// library write beyond the caller's room or take a malformed answer as good.
#include "Answers.h"
#include "Check.h"
#include "TsrWire.h"
#include "tsremote.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= tsrwire::HeaderSize) {
        if (const auto h = tsrwire::decodeHeader(data))
            check(h->length <= tsrwire::MaxPayload && h->op >= tsrwire::FirstOp &&
                  h->op <= tsrwire::LastOp);
    }
    FuzzedDataProvider in(data, size);
    const int kind = in.ConsumeIntegralInRange(0, 3);
    const std::int32_t capacity = in.ConsumeIntegralInRange<std::int32_t>(0, 64);
    const auto bytes = in.ConsumeRemainingBytes<std::uint8_t>();

    switch (kind) {
    case 0: {
        tsremote::NoData none;
        const auto a = tsremote::decodeAnswer(bytes, none);
        check(!a.wellFormed || a.error.size() <= tsrwire::MaxText);
        break;
    }
    case 1: {
        ServerInfoRecord r;
        std::memset(&r, 0x5A, sizeof r);
        tsremote::RecordData record(&r, sizeof r);
        if (tsremote::decodeAnswer(bytes, record).result == 0)
            record.commit();
        break;
    }
    default: {
        std::vector<PlayerInfoRecord> room(static_cast<std::size_t>(capacity));
        std::int32_t count = -7;
        tsremote::ListingData listing(room.data(), sizeof(PlayerInfoRecord), capacity, &count);
        const auto a = tsremote::decodeAnswer(bytes, listing);
        if (a.wellFormed && a.result == 0)
            check(count >= 0 && count <= capacity);
        else if (!a.wellFormed)
            check(a.result != 0);
        break;
    }
    }
    return 0;
}
