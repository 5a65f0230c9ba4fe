#include "Windows1252.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Windows1252, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(windows1252::encode(windows1252::decode(all)), all);
}

TEST(Windows1252, MapsTheCodePagesOwnCharacters) {
    EXPECT_EQ(windows1252::decode(std::string_view("Verz\xF6gerung \x80 \x84")),
              QStringLiteral("Verz\u00F6gerung \u20AC \u201E"));
    EXPECT_EQ(windows1252::encode(QStringLiteral("\u00C4\u20AC\u2122")), "\xC4\x80\x99");
    EXPECT_EQ(windows1252::encode(QStringLiteral("a\u2713\U0001F600b")), "a???b")
        << "what the code page lacks becomes ? (a surrogate pair gives two)";
}
