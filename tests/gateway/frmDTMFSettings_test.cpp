#include "frmDTMFSettings.h"

#include "QtPrint.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

class RecognizerWindow : public ::testing::Test {
protected:
    double level = -120;
    QString stored = QStringLiteral("usb_mic");
    bool storedCodes = false;
    QStringList events;
    RecognizerFace face() {
        RecognizerFace f;
        f.sourceNames = [] {
            return QStringList{QStringLiteral("test_sink.monitor"), QStringLiteral("usb_mic")};
        };
        f.sourceLabels = [] {
            return QStringList{QStringLiteral("Monitor of Null"), QStringLiteral("USB Mikrofon")};
        };
        f.levelDbfs = [this] { return level; };
        f.lastDigits = [] { return QStringLiteral("*47#"); };
        f.storedSource = [this] { return stored; };
        f.storedRunCodes = [this] { return storedCodes; };
        f.store = [this](const QString& s, bool codes) {
            events << QStringLiteral("store %1 %2").arg(s).arg(codes);
        };
        f.closed = [this] { events << QStringLiteral("closed"); };
        f.sourceChosen = [this](const QString& s) { events << QStringLiteral("meter ") + s; };
        return f;
    }
};

TEST_F(RecognizerWindow, ShowsTheStoredChoiceTheLevelAndWhatWasHeard) {
    frmDTMFSettings w(face());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("DTMF Einstellungen"));
    EXPECT_EQ(w.chkCodes->text(), QStringLiteral("Gateway-Codes ausf\u00FChren"));
    EXPECT_FALSE(w.chkCodes->isChecked()) << "off by default";
    EXPECT_EQ(w.cmbQuelle->count(), 3);
    EXPECT_EQ(w.cmbQuelle->currentText(), QStringLiteral("USB Mikrofon"));
    EXPECT_EQ(w.lblPegel->text(), QStringLiteral("Erkennung aus"));
    EXPECT_EQ(w.lblLetzte->text(), QStringLiteral("*47#"));
    level = -23.4;
    w.Meter_Timer();
    EXPECT_EQ(w.barPegel->value(), -23);
    EXPECT_EQ(w.lblPegel->text(), QStringLiteral("-23 dB"));
}

TEST_F(RecognizerWindow, OkStoresAbbruchDoesNotAndBothGoBack) {
    stored = QStringLiteral("gone_device");
    {
        frmDTMFSettings w(face());
        EXPECT_EQ(w.cmbQuelle->currentData().toString(), QStringLiteral("gone_device"))
            << "a stored source that is not there stays chosen, marked";
        w.cmbQuelle->setCurrentIndex(0);
        w.chkCodes->setChecked(true);
        w.cmdOK_Click();
    }
    {
        frmDTMFSettings w(face());
        w.cmdAbbruch_Click();
    }
    EXPECT_EQ(events, (QStringList{QStringLiteral("meter gone_device"), QStringLiteral("meter "),
                                   QStringLiteral("store  1"), QStringLiteral("closed"),
                                   QStringLiteral("meter gone_device"), QStringLiteral("closed")}))
        << "the meter follows the chosen input from the start";
}
