#include "TSRemoteLibrary.h"

#include "TSRemote.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

using platform::TSRemoteLibrary;

TEST(ClientRecords, FieldsSitAtTheirByteOffsetsLittleEndian) {
    std::array<unsigned char, sizeof(PlayerInfoRecord)> bytes{};
    const auto put = [&bytes](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    put(0, 0x01020304);
    put(4, 77);
    std::memcpy(&bytes[8], "Nick", 4);
    put(38, 1);
    put(42, 16);
    put(46, 0xFFFFFFF7);
    PlayerInfoRecord p;
    std::memcpy(&p, bytes.data(), sizeof p);
    EXPECT_EQ(+p.PlayerID, 0x01020304);
    EXPECT_EQ(+p.ChannelID, 77);
    EXPECT_STREQ(p.NickName, "Nick");
    EXPECT_EQ(+p.PlayerChannelPrivileges, 1);
    EXPECT_EQ(+p.PlayerPrivileges, 16);
    EXPECT_EQ(+p.PlayerFlags, -9);

    ServerInfoRecord s{};
    auto* raw = reinterpret_cast<unsigned char*>(&s);
    raw[478] = 5;   // player count
    raw[466] = 100; // maximum users
    raw[462] = 2;   // server type
    EXPECT_EQ(+s.PlayerCount, 5);
    EXPECT_EQ(+s.ServerMaxUsers, 100);
    EXPECT_EQ(+s.ServerType, 2);
}

TEST(ClientLibraryLoader, WithoutALibraryTheClientLooksNotRunning) {
    TSRemoteLibrary lib({QStringLiteral("/nonexistent/libTSRemote.so")});
    EXPECT_FALSE(lib.isLoaded());
    std::array<int32_t, TSR_MAX_RECORDS> ids{};
    int32_t count = TSR_MAX_RECORDS;
    EXPECT_EQ(lib.getSpeakers(ids.data(), &count), TSR_NOT_RUNNING);
    EXPECT_EQ(count, 0);
    UserInfoRecord user{};
    EXPECT_NE(lib.getUserInfo(&user), 0);
    EXPECT_EQ(+user.Player.PlayerID, 0) << "the record is left alone";
    EXPECT_NE(lib.connect("teamspeak://x"), 0);
    EXPECT_NE(lib.quit(), 0);

    // The failure's reason reaches LastTSError, in German, naming the library.
    clientlink::TSRemote ts(lib);
    ts.TSQuit();
    EXPECT_TRUE(ts.LastTSError.contains(QStringLiteral("libTSRemote.so nicht geladen")))
        << ts.LastTSError.toStdString();
    EXPECT_TRUE(ts.LastTSError.contains(QStringLiteral("/nonexistent/libTSRemote.so")));

    char tiny[8];
    lib.getLastError(tiny, sizeof tiny);
    EXPECT_EQ(std::strlen(tiny), 7u) << "the text is cut to the buffer and terminated";
}

TEST(ClientLibraryLoader, ALibraryMissingAFunctionIsNotUsed) {
    TSRemoteLibrary lib({QStringLiteral(FAKE_TSREMOTE_INCOMPLETE)});
    EXPECT_FALSE(lib.isLoaded());
    EXPECT_TRUE(lib.loadError().contains(QStringLiteral("tsrKickPlayerFromServer")));
    int32_t ids[4];
    int32_t count = 4;
    EXPECT_EQ(lib.getSpeakers(ids, &count), TSR_NOT_RUNNING);
}

TEST(ClientLibraryLoader, TriesThePlacesInOrderAndUsesTheFirstThatWorks) {
    const QStringList places =
        TSRemoteLibrary::candidates(QStringLiteral("/explicit/lib.so"), QStringLiteral("/usr/bin"));
    EXPECT_EQ(places, QStringList({QStringLiteral("/explicit/lib.so"),
                                   QStringLiteral("/usr/bin/libTSRemote.so"),
                                   QStringLiteral("/usr/lib/quorvex/libTSRemote.so"),
                                   QStringLiteral("libTSRemote.so")}));

    TSRemoteLibrary lib(
        {QStringLiteral(FAKE_TSREMOTE_INCOMPLETE), QStringLiteral(FAKE_TSREMOTE_COMPLETE)});
    ASSERT_TRUE(lib.isLoaded()) << lib.loadError().toStdString();
    EXPECT_EQ(lib.loadedPath(), QStringLiteral(FAKE_TSREMOTE_COMPLETE));
    int32_t ids[TSR_MAX_RECORDS];
    int32_t count = TSR_MAX_RECORDS;
    ASSERT_EQ(lib.getSpeakers(ids, &count), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(ids[1], 9);
    UserInfoRecord user{};
    EXPECT_EQ(lib.getUserInfo(&user), 0);
    EXPECT_EQ(+user.Player.PlayerID, 42);
    EXPECT_NE(lib.switchChannelID(2, ""), 0) << "results pass through unchanged";
}
