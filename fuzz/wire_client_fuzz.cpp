// Frames as the simulated client reads them: a run of requests of any shape against one
// world, so that its state moves between them. No request may crash the client.
#include "TsrWire.h"
#include "WireServer.h"
#include "World.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "wire_client_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    World world;
    WireServer server(world);
    std::size_t at = 0;
    while (size - at >= 3) {
        // Two bytes of operation, one of length, then the payload.
        std::uint16_t op = 0;
        std::memcpy(&op, data + at, 2);
        const std::size_t length = std::min<std::size_t>(data[at + 2], size - at - 3);
        at += 3;
        tsrwire::Reader reader(data + at, length);
        at += length;
        const auto answer = server.answer(static_cast<tsrwire::Op>(op), reader);
        if (answer.size() < 8)
            std::abort(); // every answer carries a result and an error text
    }
    return 0;
}
