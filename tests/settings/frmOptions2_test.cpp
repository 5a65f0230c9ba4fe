#include "frmOptions2.h"

#include "INIfile.h"
#include "Registry.h"
#include "XdgSchemeHandler.h"

#include "Fakes.h"
#include "SharedState.h"
#include "TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

// Page 2 against a real ts.ini and a real URL handler in scratch XDG folders.
class SettingsPage2 : public ::testing::Test {
protected:
    TempDir dir;
    platform::XdgDirs dirs{dir.file(QStringLiteral("config")),
                           {dir.file(QStringLiteral("etc"))},
                           dir.file(QStringLiteral("data")),
                           {dir.file(QStringLiteral("usr"))},
                           {dir.file(QStringLiteral("bin"))}};
    platform::XdgSchemeHandler handler{dirs};
    platform::Registry registry{dirs, dir.file(QStringLiteral("home"))};
    app::SharedState state;
    fakes::Prompts prompts;
    fakes::Sound sound;
    QStringList events;
    std::unique_ptr<frmOptions2> page;

    void SetUp() override {
        state.Dateiname = dir.file(QStringLiteral("ts.ini"));
        page = std::make_unique<frmOptions2>(
            state, prompts, sound, registry,
            Options2Host{[this] { events << QStringLiteral("main shown"); },
                         [this] { events << QStringLiteral("page 1 shown"); },
                         [this](const QString& f) { events << QStringLiteral("shell ") + f; },
                         [this](bool mumble) {
                             events << QStringLiteral("client %1").arg(mumble ? "Mumble" : "TS");
                         },
                         [this] { events << QStringLiteral("ident saved"); }});
    }
    void put(const QString& name, const QByteArray& content) {
        QDir().mkpath(QFileInfo(dir.file(name)).path());
        dir.write(name, content);
    }
    void handlerEntry(const QByteArray& exec) {
        put(QStringLiteral("config/mimeapps.list"),
            "[Default Applications]\nx-scheme-handler/teamspeak=ts2.desktop;\n");
        put(QStringLiteral("data/applications/ts2.desktop"),
            "[Desktop Entry]\nType=Application\nName=TS\nExec=" + exec + "\n");
    }
    QString stored(const char* key) const {
        return INIfile::INIRead(state.Dateiname, QStringLiteral("Bake"), QString::fromLatin1(key));
    }
};

TEST_F(SettingsPage2, ShowsTheProgramOfEachHandlerForm) {
    EXPECT_EQ(frmOptions2::programOfCommand(QStringLiteral("C:\\TS2\\ts2.exe %1")),
              QStringLiteral("C:\\TS2\\ts2.exe"));
    EXPECT_EQ(frmOptions2::programOfCommand(QStringLiteral("\"/opt/ts2\" \"%1\"")),
              QStringLiteral("/opt/ts2"));
    EXPECT_EQ(frmOptions2::programOfCommand(QStringLiteral("%1")), QString());
    EXPECT_EQ(frmOptions2::programOfCommand(QStringLiteral("/opt/ts2")), QString());

    // No handler: the label keeps its text, empty on the first load.
    page->Form_Load();
    EXPECT_EQ(page->lblTSPfadIst->text(), QString());
    handlerEntry("/usr/local/bin/ts2client %u");
    page->cmdRefresh_Click();
    EXPECT_EQ(page->lblTSPfadIst->text(), QStringLiteral("/usr/local/bin/ts2client"));
    handlerEntry("\"/opt/Team Speak 2/TeamSpeak\" %u");
    page->cmdRefresh_Click();
    EXPECT_EQ(page->lblTSPfadIst->text(), QStringLiteral("/opt/Team Speak 2/TeamSpeak"));
    QFile::remove(dir.file(QStringLiteral("config/mimeapps.list")));
    page->cmdRefresh_Click();
    EXPECT_EQ(page->lblTSPfadIst->text(), QStringLiteral("/opt/Team Speak 2/TeamSpeak"));
}

TEST_F(SettingsPage2, SavingRegistersTheChosenProgramAsTheHandler) {
    page->Form_Load();
    prompts.nextFiles.push_back(QStringLiteral("/opt/Team Speak 2/TeamSpeak"));
    page->cmdTSaendern_Click(0);
    EXPECT_EQ(prompts.fileFilters, QStringList{QStringLiteral("Ausf\u00FChrbare Datei (*)")});
    EXPECT_EQ(page->lblTSPfadIst->text(), QStringLiteral("/opt/Team Speak 2/TeamSpeak"));
    EXPECT_EQ(handler.desktopFile(), QString()) << "only saving changes the handler";
    page->txtBakeWann->setText(QStringLiteral("30"));
    page->cmdApply_Click();
    const platform::XdgSchemeHandler fresh(dirs);
    EXPECT_EQ(fresh.program(), QStringLiteral("/opt/Team Speak 2/TeamSpeak"));
    EXPECT_EQ(fresh.command(), QStringLiteral("\"/opt/Team Speak 2/TeamSpeak\" \"%1\""));
    EXPECT_EQ(registry.RegRead(QLatin1String(platform::Registry::IconPath)),
              QStringLiteral("/opt/Team Speak 2/TeamSpeak"));
    // The page reads its own entry back as the same path, blanks and all.
    page->cmdRefresh_Click();
    EXPECT_EQ(page->lblTSPfadIst->text(), QStringLiteral("/opt/Team Speak 2/TeamSpeak"));
    // "Öffnen" starts the shown program.
    page->cmdTSaendern_Click(1);
    EXPECT_EQ(events.last(), QStringLiteral("shell /opt/Team Speak 2/TeamSpeak"));
}

TEST_F(SettingsPage2, AnEmptyPathLeavesTheHandlerAlone) {
    frmOptions2& p = *page;
    p.Form_Load();
    p.cmdApply_Click();
    EXPECT_EQ(stored("Wann"), QString()) << "an empty minute is refused";
    p.txtBakeWann->setText(QStringLiteral("5"));
    p.cmdApply_Click();
    EXPECT_EQ(stored("Wann"), QStringLiteral("5"));
    EXPECT_EQ(handler.desktopFile(), QString());
    EXPECT_FALSE(QFileInfo::exists(registry.storeFile())) << "no icon written either";
}

TEST_F(SettingsPage2, TheFileDecidesWhetherTheExternalPlayerIsForced) {
    page->Form_Load();
    prompts.nextFiles = {QStringLiteral("/srv/bake.mp3"), QStringLiteral("/srv/bake.wav"),
                         QStringLiteral("/srv/BAKE.WAV")};
    page->cmdDatei_Click();
    EXPECT_EQ(
        prompts.fileFilters,
        QStringList{QStringLiteral("Sound-Datei (*.wav);;MP3-Dateien (*.mp3);;Alle Dateien (*)")});
    EXPECT_EQ(page->lblBakeDatei->text(), QStringLiteral("/srv/bake.mp3"));
    EXPECT_TRUE(page->chkExtPlayer->isChecked());
    EXPECT_FALSE(page->chkExtPlayer->isEnabled());
    page->cmdDatei_Click();
    EXPECT_TRUE(page->chkExtPlayer->isEnabled());
    EXPECT_TRUE(page->chkExtPlayer->isChecked()) << "enabled again, still checked";
    page->cmdDatei_Click();
    EXPECT_FALSE(page->chkExtPlayer->isEnabled()) << "WAV in capitals is not a wave file";
    page->cmdDatei_Click(); // cancelled: nothing changes
    EXPECT_EQ(page->lblBakeDatei->text(), QStringLiteral("/srv/BAKE.WAV"));
}

TEST_F(SettingsPage2, TheTestButtonTakesTheRouteTheBeaconWould) {
    page->setBeaconFile(QStringLiteral("/srv/bake.wav"));
    page->chkExtPlayer->setChecked(false);
    page->cmdBakeTest_Click();
    EXPECT_EQ(sound.playedAsync, QStringList{QStringLiteral("/srv/bake.wav")});
    page->chkExtPlayer->setChecked(true);
    page->cmdBakeTest_Click();
    page->setBeaconFile(QStringLiteral("/srv/bake.ogg"));
    page->cmdBakeTest_Click();
    EXPECT_EQ(sound.playedAsync.size(), 1);
    EXPECT_EQ(events, (QStringList{QStringLiteral("shell /srv/bake.wav"),
                                   QStringLiteral("shell /srv/bake.ogg")}));
    EXPECT_TRUE(sound.played.isEmpty()) << "the test never waits";
}

TEST_F(SettingsPage2, SavingStoresTheBeaconAndHandsItToTheBeacon) {
    dir.write(QStringLiteral("ts.ini"), "[Bake]\r\nEinAus=0\r\nDatei=/srv/alt.wav\r\n");
    page->Form_Load();
    EXPECT_EQ(page->lblBakeDatei->text(), QStringLiteral("/srv/alt.wav"));
    EXPECT_EQ(page->txtBakeWann->text(), QString()) << "a missing key empties its field";
    page->chkBakeAktiv->setChecked(true);
    page->setBeaconFile(QStringLiteral("/srv/bake.mp3"));
    page->txtBakeWann->setText(QStringLiteral("30"));
    page->txtStartzeit->setText(QStringLiteral("05"));
    page->cmdApply_Click();
    EXPECT_EQ(stored("EinAus"), QStringLiteral("1"));
    EXPECT_EQ(stored("Datei"), QStringLiteral("/srv/bake.mp3"));
    EXPECT_EQ(stored("Wann"), QStringLiteral("30"));
    EXPECT_EQ(stored("Startzeit"), QStringLiteral("05"));
    EXPECT_TRUE(state.BakeEINAUS);
    EXPECT_TRUE(state.frmOptions2.ExtPlayer);
    EXPECT_EQ(state.frmOptions2.BakeWann, 30);
    EXPECT_TRUE(page->isHidden() || !page->isVisible());
}

TEST_F(SettingsPage2, AMinuteThatIsNotOneIsRefusedAndNothingIsSaved) {
    page->Form_Load();
    for (const char* bad : {"60", "6x", "-1", " 5", ""}) {
        prompts.shown.clear();
        page->chkBakeAktiv->setChecked(true);
        page->txtBakeWann->setText(QString::fromLatin1(bad));
        page->cmdApply_Click();
        ASSERT_EQ(prompts.shown.size(), 1u) << bad;
        EXPECT_TRUE(prompts.shown[0].text.contains(QStringLiteral("0 bis 59")));
        EXPECT_FALSE(QFileInfo::exists(state.Dateiname)) << bad;
        EXPECT_FALSE(state.BakeEINAUS);
    }
}

TEST_F(SettingsPage2, LeavingThrowsEditsAwayAndEachWayShowsItsWindow) {
    dir.write(QStringLiteral("ts.ini"),
              "[Bake]\r\nEinAus=1\r\nDatei=/srv/bake.wav\r\nWann=15\r\nStartzeit=00\r\n");
    page->showPage();
    page->txtBakeWann->setText(QStringLiteral("45"));
    page->setBeaconFile(QStringLiteral("/srv/other.mp3"));
    page->cmdOK_Click();
    EXPECT_FALSE(page->isVisible());
    EXPECT_EQ(stored("Wann"), QStringLiteral("15")) << "OK stores nothing";
    // The beacon reads the page while it is closed: the stored file, not the edit.
    EXPECT_EQ(page->lblBakeDatei->text(), QStringLiteral("/srv/bake.wav"));
    page->showPage();
    EXPECT_EQ(page->txtBakeWann->text(), QStringLiteral("15"));
    page->cmd1Seite_Click();
    page->showPage();
    page->close();
    EXPECT_FALSE(page->isVisible());
    EXPECT_EQ(events, (QStringList{QStringLiteral("main shown"), QStringLiteral("page 1 shown"),
                                   QStringLiteral("main shown")}));
}

// A fresh setup saves with the beacon off and its minute empty: a value that takes no
// effect blocks nothing and is stored as it stands.
TEST_F(SettingsPage2, AFreshSetupSavesWithTheBeaconOff) {
    page->showPage();
    ASSERT_FALSE(page->chkBakeAktiv->isChecked());
    page->txtBakeWann->clear();
    page->txtKennungMinuten->setText(QStringLiteral("x"));
    page->cmbClient->setCurrentIndex(1);
    EXPECT_TRUE(page->cmdApply_Click());
    EXPECT_TRUE(prompts.shown.empty()) << prompts.shown[0].text.toStdString();
    EXPECT_EQ(INIfile::INIRead(state.Dateiname, QStringLiteral("Client"), QStringLiteral("Typ")),
              QStringLiteral("Mumble"));
    EXPECT_TRUE(QFileInfo::exists(state.Dateiname));
    EXPECT_EQ(stored("Wann"), QString());
    EXPECT_EQ(state.frmOptions2.BakeWann, -1) << "an empty minute never fires";
}

// OK and "Zur\u00FCck" offer unsaved edits for saving; a refused value keeps the page open.
TEST_F(SettingsPage2, LeavingWithUnsavedEditsAsksWhetherToSave) {
    using Answer = platform::Prompts::Answer;
    const struct {
        void (frmOptions2::*button)();
        Answer answer;
        const char* minute;
        bool stored, left;
    } cases[] = {
        {&frmOptions2::cmdOK_Click, Answer::Yes, "45", true, true},
        {&frmOptions2::cmdOK_Click, Answer::No, "45", false, true},
        {&frmOptions2::cmd1Seite_Click, Answer::Yes, "45", true, true},
        {&frmOptions2::cmd1Seite_Click, Answer::No, "45", false, true},
        {&frmOptions2::cmdOK_Click, Answer::Yes, "99", false, false},
    };
    for (const auto& c : cases) {
        dir.write(QStringLiteral("ts.ini"),
                  "[Bake]\r\nEinAus=1\r\nDatei=/srv/b.wav\r\nWann=15\r\n");
        prompts.shown.clear();
        page->showPage();
        (page.get()->*c.button)();
        EXPECT_TRUE(prompts.shown.empty()) << "nothing changed: nothing asked";
        page->showPage();
        page->txtBakeWann->setText(QString::fromLatin1(c.minute));
        prompts.nextAnswers = {c.answer};
        (page.get()->*c.button)();
        ASSERT_FALSE(prompts.shown.empty());
        EXPECT_EQ(prompts.shown[0].text, QStringLiteral("\u00C4nderungen speichern ?"));
        EXPECT_EQ(stored("Wann"), c.stored ? QString::fromLatin1(c.minute) : QStringLiteral("15"))
            << c.minute;
        EXPECT_EQ(page->isVisible(), !c.left) << c.minute;
        page->cmdAbbruch_Click();
    }
}

TEST_F(SettingsPage2, TheStartUpLoadPutsTheStoredBeaconIntoEffect) {
    dir.write(QStringLiteral("ts.ini"), "[Bake]\r\nEinAus=1\r\nDatei=/srv/bake.wav\r\nWann=7\r\n");
    page->Form_Load();
    page->loadBeacon(1, QStringLiteral("/srv/bake.wav"), QStringLiteral("7"), QStringLiteral("00"));
    EXPECT_TRUE(page->chkBakeAktiv->isChecked());
    EXPECT_TRUE(state.BakeEINAUS);
    EXPECT_EQ(state.frmOptions2.BakeWann, 7);
    EXPECT_FALSE(state.frmOptions2.ExtPlayer);
    page->loadBeacon(1, QStringLiteral("/srv/bake.mp3"), QStringLiteral("99"), QString());
    EXPECT_TRUE(state.frmOptions2.ExtPlayer);
    EXPECT_EQ(state.frmOptions2.BakeWann, -1) << "a stored minute outside the hour never fires";
}

TEST_F(SettingsPage2, InternalPlaybackFailsWithItsMessage) {
    page->setBeaconFile(QStringLiteral("/srv/missing.wav"));
    sound.failing << QStringLiteral("/srv/missing.wav");
    page->DateiInternAbspielen();
    EXPECT_EQ(sound.played, QStringList{QStringLiteral("/srv/missing.wav")});
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Datei kann nicht abgespielt werden!"));
    EXPECT_EQ(prompts.shown[0].icon, platform::Prompts::Icon::Exclamation);
}

// The client choice: stored as [Client] Typ, told to the program on saving; a file
// without it or with anything else in it means the TeamSpeak client.
TEST_F(SettingsPage2, TheClientChoiceIsStoredAndAnythingElseMeansTeamSpeak) {
    const auto typ = [this] {
        return INIfile::INIRead(state.Dateiname, QStringLiteral("Client"), QStringLiteral("Typ"));
    };
    page->Form_Load();
    EXPECT_EQ(page->cmbClient->currentText(), QStringLiteral("TeamSpeak 2"));
    page->cmbClient->setCurrentIndex(1);
    page->txtBakeWann->setText(QStringLiteral("30"));
    page->cmdApply_Click();
    EXPECT_EQ(typ(), QStringLiteral("Mumble"));
    EXPECT_EQ(events.last(), QStringLiteral("client Mumble"));
    const std::pair<const char*, int> stored[] = {
        {"mumble", 1}, {" Mumble ", 1}, {"Mumble2", 0}, {"", 0}, {"TeamSpeak2", 0}};
    for (const auto& [value, index] : stored) {
        INIfile::INIWrite(state.Dateiname, QStringLiteral("Client"), QStringLiteral("Typ"),
                          QString::fromLatin1(value));
        page->cmdAbbruch_Click(); // leaving reads the page anew
        EXPECT_EQ(page->cmbClient->currentIndex(), index) << value;
    }
    page->txtBakeWann->setText(QStringLiteral("30"));
    page->cmdApply_Click();
    EXPECT_EQ(typ(), QStringLiteral("TeamSpeak2"));
    EXPECT_EQ(events.last(), QStringLiteral("client TS"));
}
