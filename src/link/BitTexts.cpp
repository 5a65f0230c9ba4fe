#include "BitTexts.h"

#include <array>
#include <span>

namespace clientlink::bittexts {
namespace {

// The pieces of the set bits, in ascending bit order.
QString pieces(std::int32_t bits, std::span<const char* const> names) {
    QString text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (bits & (1 << i))
            text += QLatin1String(names[i]);
    }
    return text;
}

// Without its last n characters; "none" when there is nothing.
QString shortenedOrNone(QString text, int n) {
    if (text.isEmpty())
        return QStringLiteral("none");
    text.chop(n);
    return text;
}

constexpr std::array<const char*, 5> ChannelPrivilegeNames = {
    "Admin,", "Operator,", "Auto-Operator,", "Voice,", "Auto-Voice,"};
constexpr std::array<const char*, 3> PrivilegeNames = {"SuperServerAdmin,", "ServerAdmin,",
                                                       "CanRegister,"};
constexpr std::array<const char*, 7> PlayerFlagNames = {
    "ChannelCommander,", "WantVoice,",   "NoWhisper,", "Away,",
    "InputMuted,",       "OutputMuted,", "Recording,"};
constexpr std::array<const char*, 6> ChannelFlagNames = {
    "Registered,", "Unregistered,", "Moderated,", "Password,", "Hierarchical,", "Default,"};
constexpr std::array<const char*, 13> CodecNames = {
    "CELP 5.1 Kbit",         "CELP 6.3 Kbit",   "GSM 14.8 Kbit",   "GSM 16.4 Kbit",
    "CELP Windows 5.2 Kbit", "Speex 3.4 Kbit",  "Speex 5.2 Kbit",  "Speex 7.2 Kbit",
    "Speex 9.3 Kbit",        "Speex 12.3 Kbit", "Speex 16.3 Kbit", "Speex 19.5 Kbit",
    "Speex 25.9 Kbit"};
constexpr std::array<const char*, 13> SupportedCodecNames = {
    "Celp 5.1, ",   "Celp 6.3, ",   "GSM 14.8, ",  "GSM 16.4, ",  "WCELP 5.2, ",
    "Speex 3.4, ",  "Speex 5.2, ",  "Speex 7.2, ", "Speex 9.3, ", "Speex 12.3, ",
    "Speex 16.3, ", "Speex 19.5, ", "Speex 25.9, "};

} // namespace

QString channelPrivileges(std::int32_t bits) {
    return shortenedOrNone(pieces(bits, ChannelPrivilegeNames), 1);
}

QString privileges(std::int32_t bits) {
    return pieces(bits, PrivilegeNames) +
           ((bits & 8) ? QStringLiteral("Registered") : QStringLiteral("Unregistered"));
}

QString playerFlags(std::int32_t bits) {
    return shortenedOrNone(pieces(bits, PlayerFlagNames), 1);
}

QString channelFlags(std::int32_t bits) {
    // With no flag set there is no comma to drop; "none" as for the other bit sets.
    return shortenedOrNone(pieces(bits, ChannelFlagNames), 1);
}

QString codec(std::int32_t number) {
    if (number >= 0 && number < static_cast<std::int32_t>(CodecNames.size()))
        return QLatin1String(CodecNames[static_cast<std::size_t>(number)]);
    return QStringLiteral("Unknown codec %1").arg(number);
}

QString serverType(std::int32_t bits) {
    QString text;
    if (bits & 4)
        text = QStringLiteral("Freeware");
    if (bits & 8)
        text = QStringLiteral("Commercial");
    if (bits & 1)
        text += QStringLiteral(" Clan server");
    if (bits & 2)
        text += QStringLiteral(" Public Server");
    return text;
}

QString supportedCodecs(std::int32_t bits) {
    QString text = pieces(bits, SupportedCodecNames);
    text.chop(2);
    return text;
}

QString version(std::int32_t major, std::int32_t minor, std::int32_t release, std::int32_t build) {
    return QStringLiteral("%1.%2.%3.%4").arg(major).arg(minor).arg(release).arg(build);
}

} // namespace clientlink::bittexts
