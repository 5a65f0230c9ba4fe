#pragma once

#include <cstdint>

// The desktop's key symbols (X11 keysyms) as the virtual-key codes of the program's
// idle rule, where the codes 32 to 255 are activity and those below are not.
namespace platform::virtualkeys {

// 0 for a keysym the table does not know.
int virtualKeyOf(std::uint32_t keysym);

inline bool countsAsActivity(std::uint32_t keysym) {
    const int vk = virtualKeyOf(keysym);
    return vk >= 32 && vk <= 255;
}

} // namespace platform::virtualkeys
