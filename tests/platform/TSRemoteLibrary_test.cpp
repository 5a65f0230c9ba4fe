#include "TSRemoteLibrary.h"

#include "TSRemote.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

using platform::TSRemoteLibrary;

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

    // The reason is German like the dialogs it shows in, not the loader's English.
    TempDir dir;
    dir.write(QStringLiteral("libTSRemote.so"), "kein ELF");
    TSRemoteLibrary junk({dir.file(QStringLiteral("libTSRemote.so"))});
    EXPECT_TRUE(junk.loadError().contains(QStringLiteral("keine ladbare Bibliothek")))
        << junk.loadError().toStdString();
}

TEST(ClientLibraryLoader, TriesThePlacesInOrderAndUsesTheFirstThatWorks) {
    const QStringList places =
        TSRemoteLibrary::candidates(QStringLiteral("/explicit/lib.so"), QStringLiteral("/usr/bin"));
    EXPECT_EQ(places, QStringList({QStringLiteral("/explicit/lib.so"),
                                   QStringLiteral("/usr/bin/libTSRemote.so"),
                                   QStringLiteral("/usr/" QUORVEX_PRIVATE_LIBDIR "/libTSRemote.so"),
                                   QStringLiteral("libTSRemote.so")}));

    TSRemoteLibrary lib(
        {QStringLiteral(FAKE_TSREMOTE_INCOMPLETE), QStringLiteral(FAKE_TSREMOTE_COMPLETE)});
    ASSERT_TRUE(lib.isLoaded()) << lib.loadError().toStdString();
    EXPECT_EQ(lib.loadedPath(), QStringLiteral(FAKE_TSREMOTE_COMPLETE));
    int32_t ids[TSR_MAX_RECORDS];
    int32_t count = TSR_MAX_RECORDS;
    ASSERT_EQ(lib.getSpeakers(ids, &count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(ids[0], 7);
    UserInfoRecord user{};
    EXPECT_EQ(lib.getUserInfo(&user), 0);
    EXPECT_EQ(+user.Player.PlayerID, 1);
    EXPECT_NE(lib.switchChannelID(99, ""), 0) << "results pass through unchanged";
}
