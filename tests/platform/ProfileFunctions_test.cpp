#include "ProfileFunctions.h"

#include "AtomicFile.h"
#include "TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <random>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform::profile;

namespace {

const std::string WindowsFile = "[Anmeldung]\r\n"
                                "ServerAdresse=2\r\n"
                                "Nickname = Funk Amateur \r\n"
                                "Password=a=b\r\n"
                                "\r\n"
                                "[Optionen]\r\n"
                                "; written by hand\r\n"
                                "Verz\xF6gerung=5\r\n"
                                "odd line without equals\r\n"
                                "COMKeyerRTS=\"True\"\r\n";

} // namespace

TEST(ProfileLookup, MatchesNamesWithoutCaseAndTrimsTheValue) {
    EXPECT_EQ(lookup(WindowsFile, "anmeldung", "SERVERADRESSE"), "2");
    EXPECT_EQ(lookup(WindowsFile, "Anmeldung", "Nickname"), "Funk Amateur");
    EXPECT_EQ(lookup(WindowsFile, "Anmeldung", "Password"), "a=b") << "text after the first =";
    EXPECT_EQ(lookup(WindowsFile, "OPTIONEN", "verz\xD6gerung"), "5")
        << "0xD6 is the capital of 0xF6";
    EXPECT_EQ(lookup(WindowsFile, "Optionen", "COMKeyerRTS"), "True") << "enclosing quotes dropped";
}

TEST(ProfileLookup, AbsentThingsAreNotFound) {
    EXPECT_FALSE(lookup(WindowsFile, "Bake", "EinAus"));
    EXPECT_FALSE(lookup(WindowsFile, "Optionen", "Nickname")) << "key of another section";
    EXPECT_FALSE(lookup(WindowsFile, "Optionen", "Verz\xC3\xB6gerung")) << "UTF-8 spelling";
    EXPECT_FALSE(lookup(WindowsFile, "Optionen", "; written by hand"));
    EXPECT_FALSE(lookup(WindowsFile, "Optionen", "odd line without equals"));
    EXPECT_FALSE(lookup("Gateway=1\n[Optionen]\n", "Optionen", "Gateway")) << "before any section";
}

TEST(ProfileLookup, FirstSectionAndFirstKeyOfTheirNameWin) {
    const std::string twice = "[A]\nk=1\nk=2\n[B]\nk=3\n[a]\nk=4\n";
    EXPECT_EQ(lookup(twice, "A", "k"), "1");
    EXPECT_EQ(lookup(twice, "b", "K"), "3");
    EXPECT_EQ(lookup("  [ A ]  \n  k  =  v  \n", "A", "k"), "v");
}

TEST(ProfileWrite, ReplacesAValueInPlaceAndKeepsEveryOtherByte) {
    const std::string out = withValue(WindowsFile, "ANMELDUNG", "nickname", "DL1ABC");
    std::string expected = WindowsFile;
    expected.replace(expected.find("Nickname = Funk Amateur "), 24, "Nickname=DL1ABC");
    EXPECT_EQ(out, expected);
}

TEST(ProfileWrite, AddsANewKeyAtTheEndOfItsSectionBeforeTheBlankLines) {
    const std::string out = withValue(WindowsFile, "Anmeldung", "ChannelPW", "geheim");
    std::string expected = WindowsFile;
    expected.insert(expected.find("\r\n\r\n[Optionen]") + 2, "ChannelPW=geheim\r\n");
    EXPECT_EQ(out, expected);
}

TEST(ProfileWrite, AddsANewSectionAtTheEndInTheFilesLineEnding) {
    EXPECT_EQ(withValue(WindowsFile, "Bake", "EinAus", "0"),
              WindowsFile + "[Bake]\r\nEinAus=0\r\n");
    EXPECT_EQ(withValue("[A]\nk=1", "B", "x", "2"), "[A]\nk=1\n[B]\nx=2\n") << "missing last break";
    EXPECT_EQ(withValue("[A]", "A", "x", ""), "[A]\nx=\n");
    EXPECT_EQ(withValue("", "Anmeldung", "ServerAdresse", "-1"), "[Anmeldung]\nServerAdresse=-1\n");
}

TEST(ProfileWrite, RefusesWhatWouldBreakTheStructure) {
    EXPECT_TRUE(validForWrite("Anmeldung", "Nickname", "  a = b ; [c] "));
    EXPECT_FALSE(validForWrite("Anmeldung", "Nickname", "x\n[Optionen]\nGateway=1"));
    EXPECT_FALSE(validForWrite("Anmeldung", "Nickname", "x\ry"));
    EXPECT_FALSE(validForWrite("Anmeldung", "Nick\nname", "x"));
    EXPECT_FALSE(validForWrite("Anmel]\n[dung", "Nickname", "x"));
    EXPECT_FALSE(validForWrite("Anmeldung", "[Optionen]", "x"));
    EXPECT_FALSE(validForWrite("Anmeldung", "Gateway=1", "x"));
    EXPECT_FALSE(validForWrite("Anmeldung", "", "x"));
    EXPECT_FALSE(validForWrite(" ", "Nickname", "x"));
    EXPECT_FALSE(validForWrite("Anmeldung", "Nickname", std::string("a\0b", 3)));
}

class ProfileFile : public ::testing::Test {
protected:
    TempDir dir;
    std::string ini = dir.fileBytesPath(QStringLiteral("ts.ini"));
};

TEST_F(ProfileFile, AWindowsFileReadsBackIdenticallyAndKeepsItsLayout) {
    dir.write(QStringLiteral("ts.ini"), QByteArray::fromStdString(WindowsFile));
    EXPECT_EQ(getString(ini, "optionen", "Verz\xF6gerung", "", 255), "5");
    ASSERT_EQ(writeString(ini, "Optionen", "Verz\xF6gerung", "7"), WriteResult::Ok);
    std::string expected = WindowsFile;
    expected.replace(expected.find("Verz\xF6gerung=5"), 13, "Verz\xF6gerung=7");
    EXPECT_EQ(dir.read(QStringLiteral("ts.ini")).toStdString(), expected);
}

TEST_F(ProfileFile, ANewFileIsPrivateAndAnExistingOneKeepsItsMode) {
    ASSERT_EQ(writeString(ini, "Anmeldung", "Password", "geheim"), WriteResult::Ok);
    struct stat st {};
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    ::chmod(ini.c_str(), 0640);
    ASSERT_EQ(writeString(ini, "Anmeldung", "Password", "anders"), WriteResult::Ok);
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(QDir(dir.path())
                  .entryList({QStringLiteral(".ts.ini.??????")}, QDir::Files | QDir::Hidden)
                  .size(),
              0)
        << "no temporary file is left behind";
}

TEST_F(ProfileFile, ALinkIsFollowedNotReplaced) {
    const std::string real = dir.fileBytesPath(QStringLiteral("real.ini"));
    ASSERT_EQ(::symlink(real.c_str(), ini.c_str()), 0);
    ASSERT_EQ(writeString(ini, "A", "k", "v"), WriteResult::Ok);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(ini)).isSymLink());
    EXPECT_EQ(dir.read(QStringLiteral("real.ini")), "[A]\nk=v\n");
}

TEST_F(ProfileFile, RefusedAndFailedWritesLeaveTheFileAlone) {
    dir.write(QStringLiteral("ts.ini"), "[Anmeldung]\nNickname=alt\n");
    EXPECT_EQ(writeString(ini, "Anmeldung", "Nickname", "x\n[Optionen]\nGateway=1"),
              WriteResult::Refused);
    EXPECT_EQ(dir.read(QStringLiteral("ts.ini")), "[Anmeldung]\nNickname=alt\n");

    // Something we cannot read as a file is never replaced by our own idea of it.
    const std::string folder = dir.fileBytesPath(QStringLiteral("sub"));
    ::mkdir(folder.c_str(), 0700);
    EXPECT_EQ(writeString(folder, "A", "k", "v"), WriteResult::Failed);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(folder)).isDir());
    EXPECT_EQ(writeString(dir.fileBytesPath(QStringLiteral("no/such/dir/ts.ini")), "A", "k", "v"),
              WriteResult::Failed);
}

TEST_F(ProfileFile, AWriteThatFailsMidwayLeavesTheOldFileWhole) {
    const QByteArray old = "[Anmeldung]\nNickname=alt\n";
    dir.write(QStringLiteral("ts.ini"), old);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The disk is "full" after 4 KiB: the write breaks off in the middle.
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const auto r = writeString(ini, "Anmeldung", "Nickname", std::string(64 * 1024, 'n'));
        ::_exit(r == WriteResult::Failed ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failure is reported";
    EXPECT_EQ(dir.read(QStringLiteral("ts.ini")), old);
    EXPECT_EQ(QDir(dir.path())
                  .entryList({QStringLiteral(".ts.ini.??????")}, QDir::Files | QDir::Hidden)
                  .size(),
              0);
}

TEST_F(ProfileFile, NamesAreTrimmedAsTheFilesAreAndACommentKeyIsRefused) {
    ASSERT_EQ(writeString(ini, " Anmeldung\t", "\x0bNickname \x1a", "DL1ABC"), WriteResult::Ok);
    ASSERT_EQ(writeString(ini, "Anmeldung", " Nickname", "DL2XYZ"), WriteResult::Ok);
    EXPECT_EQ(dir.read(QStringLiteral("ts.ini")), "[Anmeldung]\nNickname=DL2XYZ\n")
        << "the second write found the first one's key";
    EXPECT_EQ(getString(ini, "\fAnmeldung ", "Nickname\t", "", 255), "DL2XYZ");
    EXPECT_EQ(writeString(ini, "Anmeldung", " ;Nickname", "x"), WriteResult::Refused);
    EXPECT_EQ(dir.read(QStringLiteral("ts.ini")), "[Anmeldung]\nNickname=DL2XYZ\n");
}

TEST_F(ProfileFile, UnicodeFilesWithAMarkAreReadAndKeepTheirEncoding) {
    // "Verzögerung" and "Größe" as an editor saves them in UTF-8 with a mark.
    const QByteArray utf8 =
        "\xEF\xBB\xBF[Optionen]\r\nVERZ\xC3\x96GERUNG=5\r\nName=Gr\xC3\xB6\xC3\x9F"
        "e \xE2\x82\xAC \xE2\x9C\x93\r\n";
    dir.write(QStringLiteral("ts.ini"), utf8);
    EXPECT_EQ(getString(ini, "optionen", "Verz\xF6gerung", "", 255), "5");
    EXPECT_EQ(getString(ini, "Optionen", "Name", "", 255), "Gr\xF6\xDF"
                                                           "e \x80 ?")
        << "read in the code page; what it cannot hold becomes ?";
    ASSERT_EQ(writeString(ini, "Optionen", "Verz\xF6gerung", "7"), WriteResult::Ok);
    ASSERT_EQ(writeString(ini, "Optionen", "Datei", "\xE4"), WriteResult::Ok);
    EXPECT_EQ(dir.read(QStringLiteral("ts.ini")),
              "\xEF\xBB\xBF[Optionen]\r\nVERZ\xC3\x96GERUNG=7\r\nName=Gr\xC3\xB6\xC3\x9F"
              "e \xE2\x82\xAC \xE2\x9C\x93\r\nDatei=\xC3\xA4\r\n")
        << "UTF-8 stays UTF-8, the check mark the code page lacks is kept";

    const QString text = QStringLiteral("[Optionen]\nVerz\u00F6gerung=9\nName=\u2713\n");
    QByteArray utf16("\xFF\xFE", 2);
    for (QChar c : text)
        utf16.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    dir.write(QStringLiteral("ts.ini"), utf16);
    EXPECT_EQ(getString(ini, "Optionen", "Verz\xF6gerung", "", 255), "9");
    ASSERT_EQ(writeString(ini, "Optionen", "Gateway", "1"), WriteResult::Ok);
    const QByteArray back = dir.read(QStringLiteral("ts.ini"));
    ASSERT_TRUE(back.startsWith("\xFF\xFE"));
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(back.constData() + 2),
                                 (back.size() - 2) / 2),
              text + QStringLiteral("Gateway=1\n"));
}

TEST_F(ProfileFile, LoneCarriageReturnsEndLines) {
    dir.write(QStringLiteral("ts.ini"), "[Anmeldung]\rNickname=DL1ABC\r\r[Optionen]\rGateway=1\r");
    EXPECT_EQ(getString(ini, "Anmeldung", "Nickname", "", 255), "DL1ABC");
    EXPECT_EQ(getString(ini, "Optionen", "Gateway", "", 255), "1");
    ASSERT_EQ(writeString(ini, "Anmeldung", "Password", "x"), WriteResult::Ok);
    ASSERT_EQ(writeString(ini, "Bake", "EinAus", "0"), WriteResult::Ok);
    EXPECT_EQ(
        dir.read(QStringLiteral("ts.ini")),
        "[Anmeldung]\rNickname=DL1ABC\rPassword=x\r\r[Optionen]\rGateway=1\r[Bake]\rEinAus=0\r");
}

// Writers killed at random moments: no copy one leaves is more readable than the file
// itself, and the next write clears it away.
TEST_F(ProfileFile, KilledWritesLeaveNoLastingCopies) {
    ::chmod(dir.path().toLocal8Bit().constData(), 0700);
    dir.write(QStringLiteral("ts.ini"), "[Anmeldung]\nPassword=geheim\n");
    ::chmod(ini.c_str(), 0644);
    std::mt19937 rng(1206);
    const std::string big(256 * 1024, 'p');
    int leftovers = 0;
    for (int round = 0; round < 40; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                writeString(ini, "Anmeldung", "Password", big);
        }
        ::usleep(200 + rng() % 20000);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const QStringList left =
            QDir(dir.path())
                .entryList({QStringLiteral(".ts.ini.??????")}, QDir::Files | QDir::Hidden);
        for (const QString& name : left) {
            struct stat st {};
            ASSERT_EQ(::stat(dir.fileBytesPath(name).c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777 & ~0644u, 0u) << "a leftover copy is more readable";
            ++leftovers;
        }
        ASSERT_EQ(writeString(ini, "Anmeldung", "Nickname", "DL1ABC"), WriteResult::Ok);
        EXPECT_EQ(QDir(dir.path())
                      .entryList({QStringLiteral(".ts.ini.??????")}, QDir::Files | QDir::Hidden),
                  QStringList());
        EXPECT_EQ(getString(ini, "Anmeldung", "Nickname", "", 255), "DL1ABC");
    }
    struct stat st {};
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u) << "the file keeps its mode";
    std::printf("killed writers left %d copies in 40 rounds\n", leftovers);
}

// Two processes writing different keys of one file: each read-modify-write runs whole,
// so neither brings back a value the other replaced, and none fails.
TEST_F(ProfileFile, WritersInTwoProcessesLoseNoUpdate) {
    constexpr int Rounds = 300;
    const auto writer = [this](const char* key) {
        int lost = 0;
        for (int i = 1; i <= Rounds; ++i) {
            if (getString(ini, "Optionen", key, "0", 255) != std::to_string(i - 1))
                ++lost;
            if (writeString(ini, "Optionen", key, std::to_string(i)) != WriteResult::Ok)
                ++lost;
        }
        return lost;
    };
    pid_t children[2];
    const char* keys[2] = {"Erster", "Zweiter"};
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0)
            ::_exit(std::min(writer(keys[c]), 100));
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "updates lost or writes failed";
    }
    EXPECT_EQ(getString(ini, "Optionen", "Erster", "", 255), std::to_string(Rounds));
    EXPECT_EQ(getString(ini, "Optionen", "Zweiter", "", 255), std::to_string(Rounds));
}

// A temporary copy is stale only when nobody holds its lock: another writer's copy in
// the making is left alone, a dead one's is cleared away.
TEST_F(ProfileFile, AnotherWritersCopyInTheMakingIsLeftAlone) {
    dir.write(QStringLiteral(".ts.ini.Ab12Cd"), "[Anmeldung]\nPassword=geheim\n");
    const std::string copy = dir.fileBytesPath(QStringLiteral(".ts.ini.Ab12Cd"));
    ::chmod(copy.c_str(), 0600);
    const int held = ::open(copy.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    ASSERT_EQ(writeString(ini, "Anmeldung", "Nickname", "DL1ABC"), WriteResult::Ok);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(copy))) << "removed under its writer";
    ::close(held);
    ASSERT_EQ(writeString(ini, "Anmeldung", "Nickname", "DL2ABC"), WriteResult::Ok);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(copy))) << "a stale copy stays";
}
