#include "ValueKinds.h"

#include <gtest/gtest.h>

using namespace settings;

TEST(ValueKinds, ChecksAcceptZeroOneAndTwoOnly) {
    EXPECT_EQ(readCheck(QStringLiteral("0")), 0);
    EXPECT_EQ(readCheck(QStringLiteral("1")), 1);
    EXPECT_EQ(readCheck(QStringLiteral("2")), 2);
    EXPECT_FALSE(isChecked(2)) << "undetermined counts as off";
    EXPECT_FALSE(readCheck(QStringLiteral("3")));
    EXPECT_FALSE(readCheck(QStringLiteral("-1")));
    EXPECT_FALSE(readCheck(QString()));
    EXPECT_FALSE(readCheck(QStringLiteral("ja")));
    EXPECT_EQ(readCheck(QStringLiteral(" 1 ")), 1);
    EXPECT_EQ(readCheck(QStringLiteral("0.6")), 1) << "a fraction rounds";
}

TEST(ValueKinds, IndexesRunFromMinusOneToTheLastEntry) {
    EXPECT_EQ(readIndex(QStringLiteral("-1"), 3), -1);
    EXPECT_EQ(readIndex(QStringLiteral("2"), 3), 2);
    EXPECT_FALSE(readIndex(QStringLiteral("3"), 3)) << "ServerAdresse 3 with three entries";
    EXPECT_FALSE(readIndex(QStringLiteral("-2"), 3));
    EXPECT_FALSE(readIndex(QStringLiteral("70000"), 100000)) << "beyond 16 bits";
    EXPECT_FALSE(readIndex(QStringLiteral(""), 3));
    EXPECT_FALSE(readIndex(QStringLiteral("1x"), 3));
}

TEST(ValueKinds, NumbersMustLieInTheSlidersRange) {
    EXPECT_EQ(readNumber(QStringLiteral("30"), 1, 30), 30);
    EXPECT_FALSE(readNumber(QStringLiteral("31"), 1, 30));
    EXPECT_FALSE(readNumber(QStringLiteral("0"), 1, 30));
    EXPECT_EQ(readNumber(QStringLiteral("3000"), 0, 3000), 3000);
    EXPECT_FALSE(readNumber(QStringLiteral("99999999999"), 0, 3000));
    EXPECT_FALSE(readNumber(QStringLiteral("+"), 0, 3000));
    EXPECT_FALSE(readNumber(QStringLiteral("."), 0, 3000));
}

TEST(ValueKinds, FractionsRoundHalfToEven) {
    EXPECT_EQ(parseWholeNumber(QStringLiteral("2.5")), 2);
    EXPECT_EQ(parseWholeNumber(QStringLiteral("3.5")), 4);
    EXPECT_EQ(parseWholeNumber(QStringLiteral("2.51")), 3);
    EXPECT_EQ(parseWholeNumber(QStringLiteral("-1.5")), -2);
    EXPECT_EQ(parseWholeNumber(QStringLiteral(".4")), 0);
}

TEST(ValueKinds, BooleansAreWordsInAnyCaseOrNumbers) {
    EXPECT_EQ(readBoolean(QStringLiteral("True")), true);
    EXPECT_EQ(readBoolean(QStringLiteral("true")), true);
    EXPECT_EQ(readBoolean(QStringLiteral("FALSE")), false);
    EXPECT_EQ(readBoolean(QStringLiteral("-1")), true);
    EXPECT_EQ(readBoolean(QStringLiteral("0")), false);
    EXPECT_EQ(readBoolean(QStringLiteral("0.2")), true) << "any number but zero";
    EXPECT_FALSE(readBoolean(QStringLiteral("Wahr")));
    EXPECT_FALSE(readBoolean(QString()));
    EXPECT_EQ(writeBoolean(true), QStringLiteral("True"));
    EXPECT_EQ(writeBoolean(false), QStringLiteral("False"));
    EXPECT_EQ(writeNumber(-1), QStringLiteral("-1"));
}
