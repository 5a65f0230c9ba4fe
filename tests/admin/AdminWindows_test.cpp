#include "Fakes.h"
#include "INIfile.h"
#include "ScriptedLibrary.h"
#include "SharedState.h"
#include "TSRemote.h"
#include "TempDir.h"
#include "UserStatistics.h"
#include "frmKick.h"
#include "frmStatic.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstring>

using Answer = platform::Prompts::Answer;
using Icon = platform::Prompts::Icon;

namespace {

PlayerInfoRecord player(std::int32_t id, const char* nick) {
    PlayerInfoRecord r{};
    r.PlayerID = id;
    std::strncpy(r.NickName, nick, sizeof r.NickName);
    return r;
}

} // namespace

class KickDialog : public ::testing::Test {
protected:
    app::SharedState state;
    ScriptedLibrary lib;
    clientlink::TSRemote ts{lib};
    fakes::Prompts prompts;
    int mainShown = 0;
    std::unique_ptr<frmKick> dialog;

    void SetUp() override {
        lib.players = {player(7, "Alpha"), player(12, "DL1ABC")};
        state.AllUser = 2;
        dialog = std::make_unique<frmKick>(state, ts, prompts, [this] { ++mainShown; });
        dialog->show();
    }
    QStringList lines() const {
        QStringList out;
        for (int i = 0; i < dialog->List1->count(); ++i)
            out << dialog->List1->item(i)->text();
        return out;
    }
};

TEST_F(KickDialog, ListsEveryPlayerAndKicksTheChosenOneAfterYes) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Player kicken"));
    EXPECT_EQ(lines(),
              QStringList({QStringLiteral("7 #      Alpha"), QStringLiteral("12 #      DL1ABC")}));
    dialog->List1->setCurrentRow(1);
    prompts.nextAnswers = {Answer::Yes};
    dialog->cmdKickPlayerServer->click();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Player vom Server kicken ?"));
    EXPECT_EQ(prompts.shown[0].icon, Icon::Question);
    EXPECT_EQ(lib.calls.back(), "kickFromServer 12");
    EXPECT_EQ(lib.lastText, "Kicked by Orvanta SA");
    EXPECT_TRUE(dialog->isHidden());
    EXPECT_EQ(mainShown, 1);

    dialog->show();
    dialog->List1->setCurrentRow(0);
    prompts.nextAnswers = {Answer::Yes};
    dialog->cmdKickPlayerChannel->click();
    EXPECT_EQ(prompts.shown.back().text, QStringLiteral("Player vom Channel kicken ?"));
    EXPECT_EQ(lib.calls.back(), "kickFromChannel 7");
    EXPECT_EQ(lib.lastText, "Kicked by Orvanta SA");
}

TEST_F(KickDialog, NoChoiceOrNoMeansNobodyIsKicked) {
    // Focus reached with the keyboard: a current row that nobody selected.
    dialog->List1->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    ASSERT_NE(dialog->List1->currentItem(), nullptr);
    dialog->cmdKickPlayerChannel->click();
    dialog->cmdKickPlayerServer->click();
    ASSERT_EQ(prompts.shown.size(), 2u);
    for (const auto& box : prompts.shown) {
        EXPECT_EQ(box.text, QStringLiteral("Bitte Player ausw\u00E4hlen !"));
        EXPECT_EQ(box.icon, Icon::Information);
    }
    dialog->List1->setCurrentRow(0);
    prompts.nextAnswers = {Answer::No};
    dialog->cmdKickPlayerChannel->click();
    for (const std::string& call : lib.calls)
        EXPECT_EQ(call.rfind("kick", 0), std::string::npos) << call;
    EXPECT_TRUE(dialog->isVisible()) << "the dialog stays open";
    EXPECT_EQ(mainShown, 0);
}

TEST_F(KickDialog, RefillsWhenTheUserCountChangesAlsoWhileHidden) {
    EXPECT_EQ(dialog->Timer1->interval(), 250);
    EXPECT_TRUE(dialog->Timer1->isActive());
    dialog->cmdZurück->click();
    EXPECT_TRUE(dialog->isHidden());
    EXPECT_EQ(mainShown, 1);

    lib.players.push_back(player(30, "Neu"));
    dialog->Timer1_Timer(); // the count the dialog knows is still 0: it fills once
    const QStringList first = lines();
    lib.calls.clear();
    dialog->Timer1_Timer();
    EXPECT_TRUE(lib.calls.empty()) << "no change, no refill";
    state.AllUser = 3;
    dialog->Timer1_Timer();
    EXPECT_EQ(lines().size(), 3);
    EXPECT_EQ(lines().last(), QStringLiteral("30 #      Neu"));
    EXPECT_EQ(first.size(), 2);

    // AllUser above what the listing holds: the surplus has no line.
    state.AllUser = 9;
    dialog->Timer1_Timer();
    EXPECT_EQ(lines().size(), 3);
}

class StatisticsWindow : public ::testing::Test {
protected:
    TempDir dir;
    app::SharedState state;
    fakes::ManualClock clock;
    fakes::Prompts prompts;
    UserStatistics stats{state, clock};
    int mainShown = 0;
    std::unique_ptr<frmStatic> window;

    void SetUp() override {
        state.Dateiname = dir.file(QStringLiteral("ts.ini"));
        dir.write(QStringLiteral("ts.ini"),
                  "[Statistik]\nMaxUser= 15\nMaxUserTime=20:00:00\nMaxUserDate=01.05.2026\n");
        window = std::make_unique<frmStatic>(state, stats, prompts, [this] { ++mainShown; });
        window->show();
    }
};

TEST_F(StatisticsWindow, ShowsBothRecordsAndResetsOnlyAfterYes) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("\u00DCbersicht Statistik"));
    EXPECT_EQ(window->Timer500ms->interval(), 500);
    EXPECT_EQ(window->lblUserMaxTime->text(), QStringLiteral("00:00:00"));
    state.AllUser = 16;
    stats.recordUserMaximum();
    window->Timer500ms_Timer();
    EXPECT_EQ(window->lblUserMax->text(), QStringLiteral("16"));
    EXPECT_EQ(window->lblUserMaxTime->text(), QStringLiteral("11:30:00"));
    EXPECT_EQ(window->lblUserMaxDate->text(), QStringLiteral("06.12.2026"));
    EXPECT_EQ(window->lblUserMaxSaved->text(), QStringLiteral("15")) << "read before the write";
    EXPECT_EQ(window->lblUserMaxDateSaved->text(), QStringLiteral("01.05.2026"));

    prompts.nextAnswers = {Answer::No};
    window->cmdReset->click();
    EXPECT_EQ(prompts.shown.back().text, QStringLiteral("Z\u00E4hler wirkich auf 0 setzen ?"));
    EXPECT_EQ(prompts.shown.back().icon, Icon::Information);
    EXPECT_EQ(state.frmStatic.UserMax, 16);
    prompts.nextAnswers = {Answer::Yes};
    window->cmdReset->click();
    EXPECT_EQ(state.frmStatic.UserMax, 0);
    EXPECT_TRUE(dir.read(QStringLiteral("ts.ini")).contains("MaxUser= 0\n"));

    window->cmdBack->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(mainShown, 1);
}
