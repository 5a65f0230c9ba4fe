#include "TSRemote.h"

#include "Windows1252.h"

#include <array>
#include <cstring>

namespace clientlink {

void TSRemote::TSFetchLastError() {
    // One spare byte: a text that fills the whole buffer without a NUL is kept whole.
    std::array<char, TSR_ERROR_BUFFER + 1> buffer{};
    m_lib.getLastError(buffer.data(), TSR_ERROR_BUFFER);
    LastTSError = platform::windows1252::decode(
        std::string_view(buffer.data(), ::strnlen(buffer.data(), TSR_ERROR_BUFFER)));
}

void TSRemote::check(int32_t result) {
    if (result != 0)
        TSFetchLastError();
}

void TSRemote::TSQuit() {
    check(m_lib.quit());
}

} // namespace clientlink
