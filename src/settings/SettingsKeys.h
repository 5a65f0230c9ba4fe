#pragma once

#include "ValueKinds.h"

#include <array>
#include <string_view>

// Every key of ts.ini, in the order in which its readers and writers handle them.
namespace settings {

struct KeyDef {
    const char16_t* section;
    const char16_t* key;
    ValueKind kind;
};

inline constexpr const char16_t* Anmeldung = u"Anmeldung";
inline constexpr const char16_t* Optionen = u"Optionen";
inline constexpr const char16_t* Bake = u"Bake";
inline constexpr const char16_t* Statistik = u"Statistik";

inline constexpr std::array<KeyDef, 8> LoginKeys{{
    {Anmeldung, u"ServerAdresse", ValueKind::Index},
    {Anmeldung, u"ServerPort", ValueKind::Text},
    {Anmeldung, u"Nickname", ValueKind::Text},
    {Anmeldung, u"Loginname", ValueKind::Text},
    {Anmeldung, u"Password", ValueKind::Text},
    {Anmeldung, u"DefaultChannel", ValueKind::Text},
    {Anmeldung, u"DefaultChannelID", ValueKind::Text},
    {Anmeldung, u"ChannelPW", ValueKind::Text},
}};

inline constexpr std::array<KeyDef, 14> OptionKeys{{
    {Optionen, u"Gateway", ValueKind::Check},
    {Optionen, u"Vordergrund", ValueKind::Check},
    {Optionen, u"AutoAWAY", ValueKind::Check},
    {Optionen, u"Verz\u00F6gerung", ValueKind::Number},
    {Optionen, u"COMPort", ValueKind::Index},
    {Optionen, u"SysTray", ValueKind::Check},
    {Optionen, u"COMKeyerRTS", ValueKind::Boolean},
    {Optionen, u"COMKeyerDTR", ValueKind::Boolean},
    {Optionen, u"GatewayDelay", ValueKind::Number},
    {Optionen, u"Watchdog", ValueKind::Number},
    {Optionen, u"WatchdogEIN", ValueKind::Check},
    {Optionen, u"Autostart", ValueKind::Check},
    {Optionen, u"VoiceAnfrage", ValueKind::Check},
    {Optionen, u"RecordingControl", ValueKind::Check},
}};

inline constexpr std::array<KeyDef, 4> BeaconKeys{{
    {Bake, u"EinAus", ValueKind::Check},
    {Bake, u"Datei", ValueKind::Text},
    {Bake, u"Wann", ValueKind::Text},
    {Bake, u"Startzeit", ValueKind::Text},
}};

inline constexpr std::array<KeyDef, 3> StatisticKeys{{
    {Statistik, u"MaxUser", ValueKind::Text},
    {Statistik, u"MaxUserTime", ValueKind::Text},
    {Statistik, u"MaxUserDate", ValueKind::Text},
}};

// The keys settings page 1 saves, in their order: the login keys, then the options.
inline constexpr std::array<KeyDef, LoginKeys.size() + OptionKeys.size()> PageOneKeys = [] {
    std::array<KeyDef, LoginKeys.size() + OptionKeys.size()> all{};
    std::size_t i = 0;
    for (const KeyDef& k : LoginKeys)
        all[i++] = k;
    for (const KeyDef& k : OptionKeys)
        all[i++] = k;
    return all;
}();

// The position of a key in PageOneKeys; a misspelt name does not compile.
consteval std::size_t pageOneKey(std::u16string_view key) {
    for (std::size_t i = 0; i < PageOneKeys.size(); ++i) {
        if (std::u16string_view(PageOneKeys[i].key) == key)
            return i;
    }
    throw "not a key of settings page 1";
}

inline QString text(const char16_t* s) {
    return QString::fromUtf16(s);
}

} // namespace settings
