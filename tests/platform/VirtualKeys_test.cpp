#include "VirtualKeys.h"

#include <gtest/gtest.h>

using namespace platform::virtualkeys;

TEST(VirtualKeys, TheKeysBelowTheCountedRangeAreNoActivity) {
    // BackSpace, Tab, Shift+Tab, Return, KP_Enter, Escape, Pause, Caps_Lock, Clear.
    for (std::uint32_t sym :
         {0xFF08u, 0xFF09u, 0xFE20u, 0xFF0Du, 0xFF8Du, 0xFF1Bu, 0xFF13u, 0xFFE5u, 0xFF0Bu}) {
        EXPECT_FALSE(countsAsActivity(sym)) << std::hex << sym;
        EXPECT_GT(virtualKeyOf(sym), 0) << "known, below 32: " << std::hex << sym;
    }
    EXPECT_FALSE(countsAsActivity(0)) << "no symbol";
}

TEST(VirtualKeys, WhatAPersonTypesOrMovesWithCounts) {
    for (std::uint32_t sym : {std::uint32_t('a'), std::uint32_t(' '), std::uint32_t('#'),
                              0xFCu /* ü */, 0xFFBEu /* F1 */, 0xFF51u /* Left */,
                              0xFFE1u /* Shift_L */, 0x1008FF17u /* next track */})
        EXPECT_TRUE(countsAsActivity(sym)) << std::hex << sym;
}
