#pragma once

#include <QString>

#include <cstdint>

// The texts for the bits of the client's records, in the program's vocabulary.
namespace clientlink::bittexts {

QString channelPrivileges(std::int32_t bits); // table A
QString privileges(std::int32_t bits);        // table B
QString playerFlags(std::int32_t bits);       // table C
QString channelFlags(std::int32_t bits);      // table D
QString codec(std::int32_t number);           // table E
QString serverType(std::int32_t bits);        // table F
QString supportedCodecs(std::int32_t bits);   // table G
QString version(std::int32_t major, std::int32_t minor, std::int32_t release, std::int32_t build);

} // namespace clientlink::bittexts
