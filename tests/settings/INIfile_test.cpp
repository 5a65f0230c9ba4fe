#include "INIfile.h"

#include "TempDir.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

class INIfileTest : public ::testing::Test {
protected:
    TempDir dir;
    QString ini = dir.file(QStringLiteral("ts.ini"));
};

TEST_F(INIfileTest, TextIsStoredInTheSingleByteCodePage) {
    const QString key = QStringLiteral("Verz\u00F6gerung");
    ASSERT_NE(INIfile::INIWrite(ini, QStringLiteral("Optionen"), key, QStringLiteral("12")), 0);
    ASSERT_NE(INIfile::INIWrite(ini, QStringLiteral("Anmeldung"), QStringLiteral("Nickname"),
                                QStringLiteral("J\u00FCrgen \u20AC")),
              0);
    EXPECT_EQ(dir.read(QStringLiteral("ts.ini")),
              QByteArray("[Optionen]\nVerz\xF6gerung=12\n[Anmeldung]\nNickname=J\xFCrgen \x80\n"));
    EXPECT_EQ(INIfile::INIRead(ini, QStringLiteral("optionen"), key), QStringLiteral("12"));
    EXPECT_EQ(INIfile::INIRead(ini, QStringLiteral("Anmeldung"), QStringLiteral("Nickname")),
              QStringLiteral("J\u00FCrgen \u20AC"));
}

// The command-line tool, run as an operator would run it, with raw bytes as arguments.
class TsiniTool : public INIfileTest {
protected:
    struct Run {
        int status = -1;
        QByteArray out;
    };
    Run tsini(std::vector<std::string> args) {
        args.insert(args.begin(), TSINI_PATH);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return {};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, TSINI_PATH, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        Run run;
        char buf[4096];
        for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;)
            run.out.append(buf, n);
        ::close(pipeFds[0]);
        int status = 0;
        if (spawned == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            run.status = WEXITSTATUS(status);
        return run;
    }
    std::string path() const { return dir.fileBytesPath(QStringLiteral("ts.ini")); }
};

TEST_F(TsiniTool, SetsAndGetsBytesExactlyAsTheProgramDoes) {
    const QByteArray key = "Verz\xF6gerung";
    EXPECT_EQ(tsini({"set", path(), "Optionen", key.toStdString(), "  17 "}).status, 0);
    EXPECT_EQ(dir.read(QStringLiteral("ts.ini")), QByteArray("[Optionen]\nVerz\xF6gerung=  17 \n"));
    EXPECT_EQ(tsini({"get", path(), "OPTIONEN", "VERZ\xD6GERUNG"}).out, "17\n");
    EXPECT_EQ(INIfile::INIRead(ini, QStringLiteral("Optionen"), QStringLiteral("Verz\u00F6gerung")),
              QStringLiteral("17"));

    ASSERT_NE(INIfile::INIWrite(ini, QStringLiteral("Anmeldung"), QStringLiteral("Nickname"),
                                QString(300, QLatin1Char('n'))),
              0);
    EXPECT_EQ(tsini({"get", path(), "Anmeldung", "Nickname"}).out, QByteArray(254, 'n') + "\n");
    EXPECT_EQ(tsini({"get", path(), "Anmeldung", "Missing"}).out, "\n");
}

// From a UTF-8 shell, names and values reach the file as the program reads them.
TEST_F(TsiniTool, AUtf8ShellWritesWhatTheProgramFindsAndReadsItBackInUtf8) {
    const QByteArray saved = qgetenv("LC_ALL");
    qputenv("LC_ALL", "C.UTF-8");
    EXPECT_EQ(tsini({"set", path(), "Optionen", "Verz\xC3\xB6gerung", "2"}).status, 0);
    EXPECT_EQ(INIfile::INIRead(ini, QStringLiteral("Optionen"), QStringLiteral("Verz\u00F6gerung")),
              QStringLiteral("2"));
    ASSERT_NE(INIfile::INIWrite(ini, QStringLiteral("Anmeldung"), QStringLiteral("Nickname"),
                                QStringLiteral("J\u00FCrgen \u20AC")),
              0);
    EXPECT_EQ(tsini({"get", path(), "Anmeldung", "Nickname"}).out, "J\xC3\xBCrgen \xE2\x82\xAC\n");
    EXPECT_EQ(tsini({"set", path(), "Anmeldung", "Nickname", "\xCE\xA9"}).status, 1)
        << "a character Windows-1252 cannot hold is refused, not written as \"?\"";
    EXPECT_EQ(tsini({"set", path(), "Optionen", "Verz\xF6gerung", "3"}).status, 0)
        << "bytes that are no UTF-8 pass as the file's own";
    EXPECT_EQ(INIfile::INIRead(ini, QStringLiteral("Optionen"), QStringLiteral("Verz\u00F6gerung")),
              QStringLiteral("3"));
    qputenv("LC_ALL", saved);
}

TEST_F(TsiniTool, ExitStatusTellsFailureFromBadUsage) {
    EXPECT_EQ(tsini({"set", path(), "Anmeldung", "Gateway=1", "x"}).status, 1);
    EXPECT_EQ(tsini({"set", dir.fileBytesPath(QStringLiteral("missing/dir/ts.ini")), "A", "k", "v"})
                  .status,
              1);
    EXPECT_EQ(tsini({}).status, 2);
    EXPECT_EQ(tsini({"get", path(), "Anmeldung"}).status, 2);
    EXPECT_EQ(tsini({"put", path(), "A", "k", "v"}).status, 2);
    EXPECT_FALSE(QFile::exists(ini));
}
