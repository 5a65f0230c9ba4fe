#pragma once

#include "ClientLibrary.h"

#include <QString>

namespace clientlink {

// The program's single door to the client library. Failed calls never throw or
// show anything: their text waits in LastTSError until someone asks for it.
class TSRemote {
public:
    explicit TSRemote(platform::ClientLibrary& library) : m_lib(library) {}

    QString LastTSError;

    void TSFetchLastError();
    void TSQuit();

    platform::ClientLibrary& library() { return m_lib; }

private:
    void check(int32_t result);

    platform::ClientLibrary& m_lib;
};

} // namespace clientlink
