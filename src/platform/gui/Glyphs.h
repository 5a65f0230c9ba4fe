#pragma once

#include <QColor>
#include <QIcon>

// The program's button and status pictures, drawn as simple vector glyphs so they
// stay sharp at every size and share one look.
namespace platform::glyphs {

enum class Glyph {
    Start,            // start the client
    Connect,          // plug in
    Disconnect,       // plug out
    Away,             // moon
    MicMute,          // microphone struck through
    SoundMute,        // speaker struck through
    NoWhisper,        // ear struck through
    ChannelCommander, // star
    Settings,         // gear
    Exit,             // power sign
    Kick,             // arrow out of a door
    Statistics,       // bars
    TakeOver,         // green arrow
    Clear,            // red cross
    Block,            // stop sign
    Idle,             // "zz"
    Keypad,           // DTMF keys
    Apply,            // tick
    Page,             // a sheet
    Link,             // chain link
    Error,            // exclamation mark
};

QIcon icon(Glyph glyph);

} // namespace platform::glyphs
