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
    EXPECT_EQ(virtualKeyOf('a'), 0x41);
    EXPECT_EQ(virtualKeyOf('Z'), 0x5A);
    EXPECT_EQ(virtualKeyOf('7'), 0x37);
    EXPECT_EQ(virtualKeyOf(' '), 0x20);
    EXPECT_EQ(virtualKeyOf(0xFFBE), 0x70) << "F1";
    EXPECT_EQ(virtualKeyOf(0xFFD5), 0x87) << "F24";
    EXPECT_EQ(virtualKeyOf(0xFFB0), 0x60) << "KP_0";
    EXPECT_EQ(virtualKeyOf(0xFF51), 0x25) << "Left";
    EXPECT_EQ(virtualKeyOf(0xFF54), 0x28) << "Down";
    EXPECT_EQ(virtualKeyOf(0xFFE1), 0xA0) << "Shift_L";
    EXPECT_EQ(virtualKeyOf(0xFFE4), 0xA3) << "Control_R";
    EXPECT_EQ(virtualKeyOf(0xFFEA), 0xA5) << "Alt_R";
    EXPECT_EQ(virtualKeyOf(0x1008FF17), 0xB0) << "next track";
    for (std::uint32_t sym : {std::uint32_t(','), std::uint32_t('#'), 0xFCu /* ü */, 0xDFu /* ß */,
                              0xFFFFu /* Delete */, 0xFF50u /* Home */, 0xFFABu /* KP_Add */})
        EXPECT_TRUE(countsAsActivity(sym)) << std::hex << sym;
}
