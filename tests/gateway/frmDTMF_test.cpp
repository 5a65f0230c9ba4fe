#include "frmDTMF.h"

#include "Fakes.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using Shown = fakes::Prompts::Shown;

class Keypad : public ::testing::Test {
protected:
    fakes::Sound sound;
    fakes::Prompts prompts;
    QStringList events;
    QPointer<frmDTMF> w;

    void SetUp() override { w = make(); }
    void TearDown() override { delete w.data(); }
    frmDTMF* make() {
        KeypadHost host;
        host.showMainWindow = [this] { events << QStringLiteral("main shown"); };
        host.showOptions = [this] { events << QStringLiteral("options shown"); };
        host.ensurePage2 = [this] { events << QStringLiteral("page 2 exists"); };
        host.recognition.Start_Click = [this] { events << QStringLiteral("recognizer start"); };
        host.recognition.Close_Click = [this] { events << QStringLiteral("recognizer stop"); };
        host.recognition.Show = [this] { events << QStringLiteral("recognizer settings"); };
        auto* keypad = new frmDTMF(sound, prompts, QStringLiteral("/opt/q/"), host);
        keypad->setAttribute(Qt::WA_DeleteOnClose);
        return keypad;
    }
    QString tone(const QString& n) const { return QStringLiteral("/opt/q/sounds/%1.wav").arg(n); }
    QStringList messages() const {
        QStringList m;
        for (const Shown& s : prompts.shown)
            m << (s.title.isEmpty() ? QString() : s.title + QStringLiteral(": ")) + s.text;
        return m;
    }
    // Deferred deletes are carried out where the event loop would.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

TEST_F(Keypad, StartsWithRecognitionOffAndFindsItsTones) {
    EXPECT_FALSE(w->chkDTMFeinaus->isEnabled()) << "only the -dtmf switch enables it";
    EXPECT_TRUE(w->Delete->isActive());
    EXPECT_EQ(events, QStringList{QStringLiteral("page 2 exists")});
    // The tone file: one separator after a folder that ends in one.
    EXPECT_EQ(w->toneFile(QStringLiteral("10")), QStringLiteral("/opt/q/sounds/10.wav"));
}

TEST_F(Keypad, ButtonsAppendThenPlayAndTheKeyboardPlaysThenAppends) {
    QStringList textWhilePlaying;
    sound.whilePlaying = [&] { textWhilePlaying << w->txtDTMF->text(); };
    sound.failing << tone(QStringLiteral("10"));
    QTest::mouseClick(w->cmdTaste[7], Qt::LeftButton);
    QTest::mouseClick(w->cmdTaste[10], Qt::LeftButton);
    QTest::keyClick(w->cmdSenden, '#');
    QTest::keyClick(w->cmdSenden, '*');
    EXPECT_EQ(sound.played, (QStringList{tone(QStringLiteral("7")), tone(QStringLiteral("10")),
                                         tone(QStringLiteral("11")), tone(QStringLiteral("10"))}));
    EXPECT_EQ(textWhilePlaying, (QStringList{QStringLiteral("7"), QStringLiteral("7*"),
                                             QStringLiteral("7*"), QStringLiteral("7*#")}));
    EXPECT_EQ(w->txtDTMF->text(), QStringLiteral("7*#*"));
    // Each path its own message: the button names the tone, the keyboard says "Error".
    EXPECT_EQ(messages(), (QStringList{QStringLiteral("Kann DTMF Ton Nr. 10 nicht abspielen!"),
                                       QStringLiteral("Error: Error playing DTMF tone")}));
    EXPECT_EQ(prompts.shown[0].icon, platform::Prompts::Icon::Exclamation);
}

TEST_F(Keypad, KeysTypedIntoACodeBoxStayThere) {
    w->txtGatewayOpen->clear();
    QTest::keyClicks(w->txtGatewayOpen, QStringLiteral("*12#"));
    EXPECT_EQ(w->txtGatewayOpen->text(), QStringLiteral("*12#"));
    EXPECT_TRUE(sound.played.isEmpty());
    // In the tone string box a tone key plays and lands there once.
    QTest::keyClicks(w->txtDTMF, QStringLiteral("5"));
    EXPECT_EQ(w->txtDTMF->text(), QStringLiteral("5"));
    EXPECT_EQ(sound.played, QStringList{tone(QStringLiteral("5"))});
}

// A string armed while the beacon plays waits for it and then plays whole.
TEST_F(Keypad, AStringWaitsForAnotherSoundOfOursToEnd) {
    w->txtDTMF->setText(QStringLiteral("12"));
    sound.busy = true;
    w->DTMFabspielen_Timer();
    EXPECT_TRUE(sound.played.isEmpty());
    EXPECT_TRUE(w->DTMFabspielen->isActive()) << "it looks again";
    sound.busy = false;
    w->DTMFabspielen_Timer();
    EXPECT_EQ(sound.played, (QStringList{tone(QStringLiteral("1")), tone(QStringLiteral("2"))}));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(Keypad, EnterSendsAfter250MsAndEscapeEmpties) {
    w->txtDTMF->setText(QStringLiteral("12"));
    QTest::keyClick(w->txtGatewayID, Qt::Key_Escape);
    EXPECT_EQ(w->txtDTMF->text(), QString());
    w->txtDTMF->setText(QStringLiteral("1*#"));
    QTest::keyClick(w->cmdTaste[1], Qt::Key_Return);
    EXPECT_TRUE(w->DTMFabspielen->isActive());
    EXPECT_EQ(w->DTMFabspielen->interval(), 250);
    EXPECT_TRUE(sound.played.isEmpty()) << "the timer plays, not the key";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sound.played.isEmpty(); }, 2000));
    EXPECT_EQ(sound.played, (QStringList{tone(QStringLiteral("1")), tone(QStringLiteral("10")),
                                         tone(QStringLiteral("11"))}));
    EXPECT_EQ(w->txtDTMF->text(), QString());
    EXPECT_FALSE(w->DTMFabspielen->isActive());
    EXPECT_EQ(w->DTMFabspielen->interval(), 0);
}

TEST_F(Keypad, AToneStringGoesOnPastFailuresWithOneMessageAndNeverRunsTwiceAtOnce) {
    w->txtDTMF->setText(QStringLiteral("1ab5"));
    sound.failing << tone(QStringLiteral("a")) << tone(QStringLiteral("b")); // no such files
    int nested = 0;
    sound.whilePlaying = [&] {
        // A timer firing inside the wait must not start the string a second time.
        if (nested++ == 0) {
            w->cmdSenden_Click();
            w->DTMFabspielen_Timer();
        }
    };
    w->cmdSenden_Click();
    w->DTMFabspielen_Timer();
    EXPECT_EQ(sound.played, (QStringList{tone(QStringLiteral("1")), tone(QStringLiteral("a")),
                                         tone(QStringLiteral("b")), tone(QStringLiteral("5"))}));
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Kann DTMF Ton Nr. a nicht abspielen!")});
    EXPECT_EQ(w->txtDTMF->text(), QString());

    // An empty string plays nothing and disarms the timer.
    sound.played.clear();
    w->cmdSenden_Click();
    w->DTMFabspielen_Timer();
    EXPECT_TRUE(sound.played.isEmpty());
    EXPECT_FALSE(w->DTMFabspielen->isActive());
}

TEST_F(Keypad, DeleteEmptiesARecognizedStringLongerThanFour) {
    w->txtDTMFString->setText(QStringLiteral("*47#"));
    w->Delete_Timer();
    EXPECT_EQ(w->txtDTMFString->text(), QStringLiteral("*47#"));
    w->txtDTMFString->setText(QStringLiteral("*47#1"));
    w->Delete_Timer();
    EXPECT_EQ(w->txtDTMFString->text(), QString());
}

TEST_F(Keypad, WrongCodesKeepTheKeypadOpenWithOneMessageEach) {
    w->show();
    w->txtGatewayOpen->setText(QStringLiteral("*47"));
    w->txtGatewayClose->setText(QStringLiteral("48#"));
    w->cmdApply_Click();
    settle();
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->CodeFehler, 2);
    EXPECT_EQ(messages(),
              (QStringList{QStringLiteral("Codierung *47 entspricht nicht dem Standart.Bitte "
                                          "pr\u00FCfen !"),
                           QStringLiteral("Codierung 48# entspricht nicht dem Standart.Bitte "
                                          "pr\u00FCfen !")}));
    prompts.shown.clear();
    w->txtGatewayOpen->setText(QString());
    w->txtGatewayClose->setText(QStringLiteral("*48#"));
    w->cmdApply_Click();
    EXPECT_EQ(w->CodeFehler, 1) << "an empty code fails the check";
    EXPECT_EQ(prompts.shown.size(), 1u);

    // All three right: page 1 shows and the keypad ends.
    w->txtGatewayOpen->setText(QStringLiteral("*47#"));
    events.clear();
    w->cmdApply_Click();
    settle();
    EXPECT_FALSE(w);
    EXPECT_EQ(events, QStringList{QStringLiteral("options shown")});
}

TEST_F(Keypad, AbbruchAndTheFrameShowTheMainWindowAndEndTheKeypad) {
    w->show();
    events.clear();
    w->cmdCancel_Click();
    settle();
    EXPECT_FALSE(w);
    EXPECT_EQ(events, QStringList{QStringLiteral("main shown")});

    w = make();
    w->show();
    events.clear();
    w->close();
    settle();
    EXPECT_FALSE(w);
    EXPECT_EQ(events, QStringList{QStringLiteral("main shown")});
}

TEST_F(Keypad, RecognitionControlsDriveTheRecognizer) {
    w->enableRecognition();
    EXPECT_TRUE(w->chkDTMFeinaus->isEnabled());
    EXPECT_TRUE(w->cmdDTMFSettings->isEnabled());
    events.clear();
    w->show();
    w->chkDTMFeinaus->click();
    w->chkDTMFeinaus->click();
    w->chkDTMFeinaus->click();
    w->cmdDTMFSettings->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(
        events,
        (QStringList{QStringLiteral("recognizer start"), QStringLiteral("recognizer stop"),
                     QStringLiteral("recognizer start"), QStringLiteral("recognizer settings")}));
    // A keypad that ends stops the recognizer it started.
    events.clear();
    w->cmdCancel_Click();
    settle();
    EXPECT_EQ(events,
              (QStringList{QStringLiteral("main shown"), QStringLiteral("recognizer stop")}));
}
