#include "frmOptions.h"

#include "INIfile.h"

#include "Fakes.h"
#include "SavedSettings.h"
#include "ScriptedLibrary.h"
#include "SharedState.h"
#include "TSRemote.h"
#include "TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

// Settings page 1 against a real ts.ini in a scratch folder.
class SettingsPage : public ::testing::Test {
protected:
    TempDir dir;
    app::SharedState state;
    ScriptedLibrary lib;
    clientlink::TSRemote ts{lib};
    fakes::Prompts prompts;
    frmOptions page{state, ts, prompts};
    QStringList events;
    QString ownNickname, ownChannel;

    void SetUp() override {
        state.Dateiname = dir.file(QStringLiteral("ts.ini"));
        page.fillServerList(QStringLiteral("funk.example"), QStringLiteral("192.0.2.15"));
        page.cmbCOMPort->setCurrentIndex(0);
        page.optRTSDTR[0]->setChecked(true);
        OptionsHost host;
        host.showMainWindow = [this] { events << QStringLiteral("main shown"); };
        host.ownNicknameCaption = [this] { return ownNickname; };
        host.ownChannelCaption = [this] { return ownChannel; };
        host.setLineLampsVisible = [this](bool on) {
            events << QStringLiteral("lamps %1").arg(on);
        };
        page.setHost(host);
        OptionsSeams seams;
        seams.CreateFileShortcut = [this] { events << QStringLiteral("create autostart"); };
        seams.DeleteFileShortCut = [this] { events << QStringLiteral("delete autostart"); };
        seams.showSquelch = [this] { events << QStringLiteral("squelch window"); };
        seams.COM_schliessen = [this](std::int16_t port) {
            events << QStringLiteral("close COM%1").arg(port);
        };
        page.setSeams(seams);
    }
    void file(const QByteArray& content) { dir.write(QStringLiteral("ts.ini"), content); }
    bool gatewayLayout() const {
        return !page.cmbCOMPort->isHidden() && !page.sldDelay->isHidden() &&
               !page.sldWatchdog->isHidden() && !page.optRTSDTR[1]->isHidden() &&
               page.chkAutoAway->isHidden() && page.sldAutoAway->isHidden();
    }
};

TEST_F(SettingsPage, LoadingStopsSilentlyAtTheFirstUnusableValue) {
    file(
        "[Anmeldung]\r\nServerAdresse=2\r\nServerPort=9000\r\nNickname=DL0GW\r\nPassword=geheim\r\n"
        "[Optionen]\r\nGateway=1\r\nVordergrund=1\r\nAutoAWAY=0\r\nVerz\xF6gerung=31\r\nCOMPort="
        "2\r\n");
    page.WerteEinlesen();
    EXPECT_EQ(page.cmbServerAdresse->currentText(), QStringLiteral("localhost"));
    EXPECT_EQ(page.txtNickname->text(), QStringLiteral("DL0GW"));
    EXPECT_TRUE(page.txtLoginName->text().isEmpty()) << "a missing text key empties its field";
    EXPECT_EQ(page.txtPassword->text(), QStringLiteral("geheim"));
    EXPECT_EQ(page.chkGateway->checkState(), Qt::Checked);
    EXPECT_TRUE(gatewayLayout()) << "loading the box runs its layout";
    EXPECT_EQ(page.chkAutoAway->checkState(), Qt::Unchecked);
    EXPECT_EQ(page.sldAutoAway->value(), 1) << "31 is out of range: loading stops here";
    EXPECT_EQ(page.cmbCOMPort->currentIndex(), 0);
    EXPECT_FALSE(state.FuncGateway || state.Vordergrund) << "no derived setting after a stop";
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(SettingsPage, AnEmptyPortBecomesTheDefaultOnlyAfterACompleteLoad) {
    QByteArray all =
        "[Anmeldung]\nServerAdresse=-1\nServerPort=\n[Optionen]\nGateway=0\nVordergrund=0\n"
        "AutoAWAY=1\nVerz\xF6gerung=5\nCOMPort=0\nSysTray=0\nCOMKeyerRTS=-1\nCOMKeyerDTR=false\n"
        "GatewayDelay=500\nWatchdog=3\nWatchdogEIN=1\nAutostart=0\nVoiceAnfrage=0\n"
        "RecordingControl=0\n[Bake]\nEinAus=0\n";
    file(all);
    page.WerteEinlesen();
    EXPECT_EQ(page.txtPortNummer->text(), QStringLiteral("8767"));
    EXPECT_TRUE(state.FuncAutoAway && state.WatchdogEIN);
    EXPECT_EQ(page.lblactSliderAutoAway->text(), QStringLiteral("5"));
    EXPECT_EQ(page.lblactsliderGateway->text(), QStringLiteral("500"));
    EXPECT_EQ(page.lblactsldWatchdog->text(), QStringLiteral("3"));

    file(all.replace("Watchdog=3", "Watchdog=x"));
    page.txtPortNummer->setText(QStringLiteral("1"));
    page.WerteEinlesen();
    EXPECT_TRUE(page.txtPortNummer->text().isEmpty());
}

// Choosing a client brings its default port where the port was empty or the other's.
TEST_F(SettingsPage, TheChosenClientsDefaultPortReplacesAnEmptyOrTheOther) {
    const struct {
        const char* before;
        bool mumble;
        const char* after;
    } cases[] = {{"", true, "64738"},
                 {"8767", true, "64738"},
                 {"9987", true, "9987"},
                 {"64738", false, "8767"},
                 {"64738", true, "64738"}};
    for (const auto& c : cases) {
        page.txtPortNummer->setText(QString::fromLatin1(c.before));
        page.adoptClientPort(c.mumble);
        EXPECT_EQ(page.txtPortNummer->text(), QString::fromLatin1(c.after)) << c.before;
    }
    EXPECT_EQ(INIfile::INIRead(state.Dateiname, QStringLiteral("Anmeldung"),
                               QStringLiteral("ServerPort")),
              QStringLiteral("8767"))
        << "stored, so the next start connects to it too";
}

TEST_F(SettingsPage, KeyingLineOptionsAndTheKeyersDtrSetting) {
    const QByteArray head =
        "[Anmeldung]\nServerAdresse=0\n[Optionen]\nGateway=2\nVordergrund=0\nAutoAWAY=1\n"
        "Verz\xF6gerung=1\nCOMPort=1\nSysTray=0\n";
    const QByteArray tail =
        "GatewayDelay=0\nWatchdog=1\nWatchdogEIN=1\nAutostart=0\nVoiceAnfrage=0\n"
        "RecordingControl=0\n[Bake]\nEinAus=1\n";
    file(head + "COMKeyerRTS=False\nCOMKeyerDTR=true\n" + tail);
    page.WerteEinlesen();
    EXPECT_TRUE(state.frmCOM.DTR);
    EXPECT_EQ(state.frmOptions.COMPortAuswahl, 1);
    EXPECT_EQ(page.chkGateway->checkState(), Qt::PartiallyChecked);
    EXPECT_FALSE(state.FuncGateway) << "undetermined counts as off";
    EXPECT_FALSE(gatewayLayout());

    file(head + "COMKeyerRTS=FALSE\nCOMKeyerDTR=0\n" + tail);
    page.WerteEinlesen();
    EXPECT_FALSE(page.optRTSDTR[0]->isChecked() || page.optRTSDTR[1]->isChecked());
    EXPECT_TRUE(state.frmCOM.DTR) << "neither selected: the keyer's setting stays";
}

TEST_F(SettingsPage, ApplyWritesThe22KeysInOrderIntoAnEmptyFile) {
    page.txtNickname->setText(QStringLiteral("J\u00FCrgen"));
    page.cmbServerAdresse->setCurrentIndex(1);
    page.img_del_defaultchannel->click();
    page.cmdApply_Click();
    EXPECT_EQ(
        dir.read(QStringLiteral("ts.ini")),
        QByteArray("[Anmeldung]\nServerAdresse=1\nServerPort=8767\nNickname=J\xFCrgen\nLoginname=\n"
                   "Password=\nDefaultChannel=\nDefaultChannelID=-1\nChannelPW=\n"
                   "[Optionen]\nGateway=0\nVordergrund=0\nAutoAWAY=1\nVerz\xF6gerung=1\nCOMPort=0\n"
                   "SysTray=0\nCOMKeyerRTS=True\nCOMKeyerDTR=False\nGatewayDelay=0\nWatchdog=1\n"
                   "WatchdogEIN=1\nAutostart=0\nVoiceAnfrage=0\nRecordingControl=0\n"));
    EXPECT_TRUE(state.FuncAutoAway && state.WatchdogEIN && state.FensterÄndern);
    EXPECT_EQ(events, QStringList{QStringLiteral("delete autostart")});

    page.cmbServerAdresse->setEditText(QStringLiteral("ts.example.org"));
    page.chkAutoStart->setChecked(true);
    page.cmdApply_Click();
    EXPECT_TRUE(dir.read(QStringLiteral("ts.ini")).contains("ServerAdresse=-1\n"))
        << "a typed address";
    EXPECT_EQ(events.last(), QStringLiteral("create autostart"));
}

TEST_F(SettingsPage, ApplyClearsTheCommanderFlagOnlyWhenTheGatewayGoesOff) {
    page.cmdApply_Click();
    EXPECT_TRUE(lib.calls.empty());
    state.FlagChannelCommander = true;
    lib.own.PlayerFlags = 1 | 4;
    page.cmdApply_Click();
    EXPECT_EQ(lib.setFlags, 4);
    lib.calls.clear();
    page.chkGateway->setChecked(true);
    page.cmdApply_Click();
    EXPECT_TRUE(lib.calls.empty());
    EXPECT_TRUE(state.FuncGateway);
}

TEST_F(SettingsPage, ApplyClosesTheOpenPortBeforeTakingTheNewChoice) {
    state.frmCOM.COMPortOffen = true;
    state.frmOptions.COMPortAuswahl = 2;
    page.cmbCOMPort->setCurrentIndex(3);
    EXPECT_EQ(state.frmOptions.COMPortAuswahl, 2)
        << "the list alone does not change the keyer's port";
    page.optRTSDTR[1]->click();
    page.cmdApply_Click();
    EXPECT_TRUE(events.contains(QStringLiteral("close COM2")));
    EXPECT_EQ(state.frmOptions.COMPortAuswahl, 3);
    EXPECT_TRUE(state.frmCOM.DTR);
}

TEST_F(SettingsPage, CancelRestoresTheStoredValues) {
    page.chkGateway->setChecked(true);
    page.cmdApply_Click();
    page.txtNickname->setText(QStringLiteral("neu"));
    page.chkGateway->setChecked(false);
    page.show();
    page.cmdCancel->click();
    EXPECT_TRUE(page.isHidden());
    EXPECT_TRUE(page.txtNickname->text().isEmpty());
    EXPECT_EQ(page.chkGateway->checkState(), Qt::Checked);
    EXPECT_TRUE(state.FuncGateway);
    EXPECT_EQ(events.last(), QStringLiteral("main shown"));
}

TEST_F(SettingsPage, TheGatewayBoxSwitchesTheLayoutOnly) {
    EXPECT_TRUE(page.cmdSquelch->isHidden());
    page.chkGateway->click();
    EXPECT_TRUE(gatewayLayout());
    EXPECT_EQ(events.last(), QStringLiteral("lamps 1"));
    EXPECT_FALSE(page.cmdSquelch->isHidden()) << "the squelch input is a gateway's";
    page.cmdSquelch->click();
    EXPECT_EQ(events.last(), QStringLiteral("squelch window"));
    EXPECT_FALSE(state.FuncGateway) << "only apply or load change the setting";
    page.chkGateway->click();
    EXPECT_FALSE(gatewayLayout());
    EXPECT_FALSE(page.chkAutoAway->isHidden());
}

TEST_F(SettingsPage, CopyButtonsRefuseWhatCannotBeTaken) {
    using Icon = platform::Prompts::Icon;
    for (const char* refused : {"GuestDL1", "Homepage-Funk", ""}) {
        ownNickname = QString::fromLatin1(refused);
        page.img_get_nickname->click();
        ASSERT_FALSE(prompts.shown.empty());
        EXPECT_EQ(prompts.shown.back().text, QStringLiteral("Nickname ist nicht m\u00F6glich !!"));
        EXPECT_EQ(prompts.shown.back().icon, Icon::Exclamation);
    }
    EXPECT_TRUE(page.txtNickname->text().isEmpty());
    ownNickname = QStringLiteral("guest");
    page.img_get_nickname->click();
    EXPECT_EQ(page.txtNickname->text(), QStringLiteral("guest"));

    page.img_get_defaultchannel->click();
    EXPECT_EQ(prompts.shown.back().text,
              QStringLiteral("Default Channel kann nicht \u00FCbernommen werden !"));
    ownChannel = QStringLiteral("Funkraum");
    state.AktuellerChannel = QStringLiteral("Funkraum");
    state.ChannelOwnID = 2;
    page.img_get_defaultchannel->click();
    EXPECT_EQ(page.txtDefaultChannel->text(), QStringLiteral("Funkraum"));
    EXPECT_EQ(page.lblDefaultChannelID->text(), QStringLiteral("2"));
}

TEST_F(SettingsPage, TheErrorButtonShowsTheLastErrorOnce) {
    page.cmdTSFehler->click();
    ts.LastTSError = QStringLiteral("TeamSpeak 2 l\u00E4uft nicht");
    page.cmdTSFehler->click();
    page.cmdTSFehler->click();
    ASSERT_EQ(prompts.shown.size(), 3u);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("KEIN FEHLER"));
    EXPECT_EQ(prompts.shown[1].text, QStringLiteral("TeamSpeak 2 l\u00E4uft nicht"));
    EXPECT_EQ(prompts.shown[2].text, QStringLiteral("KEIN FEHLER"));
    EXPECT_EQ(prompts.shown[0].icon, platform::Prompts::Icon::Information);
}

TEST_F(SettingsPage, RefusesToCloseThroughItsFrameAndLetsBothLineOptionsBeOff) {
    page.show();
    EXPECT_FALSE(page.close());
    EXPECT_TRUE(page.isVisible());
    page.optRTSDTR[1]->click();
    EXPECT_FALSE(page.optRTSDTR[0]->isChecked());
    page.optRTSDTR[1]->setChecked(false);
    EXPECT_FALSE(page.optRTSDTR[0]->isChecked() || page.optRTSDTR[1]->isChecked());
}

// The program as the next start sees it: a new page and state on the same file.
using Restart = PageOnFile;

TEST_F(SettingsPage, ASaveThatCannotBeWrittenSaysSoOnceWithTheFileAndTheReason) {
    state.Dateiname = dir.file(QStringLiteral("verschwunden/ts.ini"));
    page.txtNickname->setText(QStringLiteral("DL0GW"));
    page.cmdOK_Click();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              QStringLiteral("Die Einstellungen konnten nicht in \"%1\" gespeichert werden "
                             "(nicht vorhanden).")
                  .arg(state.Dateiname));
    state.Dateiname = dir.file(QStringLiteral("ts.ini"));
    page.cmdApply_Click();
    EXPECT_EQ(prompts.shown.size(), 1u) << "a save that works is silent";
}

TEST_F(SettingsPage, ATypedAddressIsSavedAsNoEntryHoweverItWasConfirmed) {
    page.txtNickname->setText(QStringLiteral("DL0GW"));
    page.txtPassword->setText(QStringLiteral("geheim"));
    page.cmbServerAdresse->setCurrentIndex(2);
    page.cmbServerAdresse->lineEdit()->selectAll();
    QTest::keyClicks(page.cmbServerAdresse->lineEdit(), QStringLiteral("ts.example.org"));
    QTest::keyClick(page.cmbServerAdresse->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(page.cmbServerAdresse->count(), 3) << "Enter adds nothing to the list";
    EXPECT_EQ(page.cmbServerAdresse->currentText(), QStringLiteral("ts.example.org"));
    page.cmdApply_Click();
    EXPECT_EQ(INIfile::INIRead(state.Dateiname, QStringLiteral("Anmeldung"),
                               QStringLiteral("ServerAdresse")),
              QStringLiteral("-1"));

    Restart next(state.Dateiname);
    EXPECT_EQ(next.page.txtPassword->text(), QStringLiteral("geheim"));
    EXPECT_TRUE(next.state.FuncAutoAway) << "the file loads completely";
}

TEST_F(SettingsPage, ASaveAfterAStoppedLoadKeepsWhatWasNotLoaded) {
    file("[Anmeldung]\nServerAdresse=3\nServerPort=9000\nNickname=DL0GW\nPassword=geheim\n"
         "ChannelPW=raum\n[Optionen]\nGateway=1\nCOMPort=2\nCOMKeyerRTS=False\n"
         "COMKeyerDTR=True\nWatchdog=9\n");
    page.WerteEinlesen();
    ASSERT_TRUE(page.txtPassword->text().isEmpty()) << "the load stopped at once";
    page.txtNickname->setText(QStringLiteral("DL1NEU"));
    page.sldWatchdog->setValue(4);
    page.cmdApply_Click();
    page.cmdApply_Click();

    const auto value = [this](const char* section, const char* key) {
        return INIfile::INIRead(state.Dateiname, QString::fromLatin1(section),
                                QString::fromLatin1(key));
    };
    EXPECT_EQ(value("Anmeldung", "ServerAdresse"), QStringLiteral("-1")) << "the bad key is mended";
    EXPECT_EQ(value("Anmeldung", "Nickname"), QStringLiteral("DL1NEU")) << "what the user changed";
    EXPECT_EQ(value("Optionen", "Watchdog"), QStringLiteral("4"));
    EXPECT_EQ(value("Anmeldung", "ServerPort"), QStringLiteral("9000"));
    EXPECT_EQ(value("Anmeldung", "Password"), QStringLiteral("geheim"));
    EXPECT_EQ(value("Anmeldung", "ChannelPW"), QStringLiteral("raum"));
    EXPECT_EQ(value("Optionen", "Gateway"), QStringLiteral("1"));
    EXPECT_EQ(value("Optionen", "COMKeyerDTR"), QStringLiteral("True"));
    EXPECT_EQ(value("Optionen", "WatchdogEIN"), QStringLiteral("1")) << "absent keys are written";

    Restart next(state.Dateiname);
    EXPECT_EQ(next.page.txtPassword->text(), QStringLiteral("geheim"));
    EXPECT_TRUE(next.state.FuncGateway);
    EXPECT_EQ(next.state.frmOptions.COMPortAuswahl, 2);

    // After a complete load every key is written again.
    page.WerteEinlesen();
    page.txtPassword->clear();
    page.cmdApply_Click();
    EXPECT_EQ(value("Anmeldung", "Password"), QString());
}

TEST_F(SettingsPage, BothLineOptionsTrueLoadsTheLaterOne) {
    file("[Anmeldung]\nServerAdresse=0\n[Optionen]\nGateway=1\nVordergrund=0\nAutoAWAY=1\n"
         "Verz\xF6gerung=1\nCOMPort=1\nSysTray=0\nCOMKeyerRTS=True\nCOMKeyerDTR=True\n"
         "GatewayDelay=0\nWatchdog=1\nWatchdogEIN=1\nAutostart=0\nVoiceAnfrage=0\n"
         "RecordingControl=0\n[Bake]\nEinAus=0\n");
    page.WerteEinlesen();
    EXPECT_FALSE(page.optRTSDTR[0]->isChecked());
    EXPECT_TRUE(page.optRTSDTR[1]->isChecked());
    EXPECT_TRUE(state.frmCOM.DTR);
    page.cmdApply_Click();
    const QByteArray saved = dir.read(QStringLiteral("ts.ini"));
    EXPECT_TRUE(saved.contains("COMKeyerRTS=False\nCOMKeyerDTR=True\n")) << saved.constData();
}

TEST_F(SettingsPage, ThePageFitsItsControls) {
    page.show();
    QCoreApplication::processEvents();
    const QSize plain = page.size();
    page.chkGateway->click();
    QCoreApplication::processEvents();
    EXPECT_GT(page.height(), plain.height()) << "room for the gateway controls";
    page.chkGateway->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(page.size(), plain) << "and back again";
}
