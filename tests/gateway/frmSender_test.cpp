// The interface window: what it found to choose from, only what the chosen way uses open
// to change, OK storing what is shown, the test keying asked of the keyer.
#include "frmSender.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

TEST(SenderWindow, ListsWhatWasFoundAndStoresTheChosenWay) {
    platform::KeyingInterface stored;
    std::vector<platform::KeyingInterface> saved;
    int tests = 0;
    SenderFace face;
    face.stored = [&] { return stored; };
    face.store = [&](const platform::KeyingInterface& k) { saved.push_back(k); };
    face.choices = [] {
        return QStringList{QStringLiteral("COM\t/dev/ttyUSB0\tFT232R"),
                           QStringLiteral("CM108\t/dev/hidraw2\tAIOC"),
                           QStringLiteral("Hamlib\t2\tHamlib NET rigctl"),
                           QStringLiteral("Hamlib\t3073\tIcom IC-7300")};
    };
    face.testKey = [&] { ++tests; };
    face.stateText = [] { return QStringLiteral("bereit, nicht getastet"); };
    frmSender w(face);
    w.show();
    EXPECT_FALSE(w.cmbGeraet->isEnabled() || w.cmbModell->isEnabled()) << "COM: page 1's port";
    w.cmbArt->setCurrentIndex(1);
    ASSERT_EQ(w.cmbGeraet->count(), 1);
    EXPECT_EQ(w.cmbGeraet->itemText(0), QStringLiteral("/dev/hidraw2 \u2013 AIOC"));
    EXPECT_TRUE(w.spnPin->isEnabled() && !w.cmbModell->isEnabled());
    w.cmbArt->setCurrentIndex(2);
    w.cmbGeraet->setCurrentText(QStringLiteral("127.0.0.1:4532"));
    w.cmbModell->setCurrentIndex(w.cmbModell->findData(3073));
    EXPECT_FALSE(w.spnPin->isEnabled() || w.chkInvertiert->isEnabled());
    w.cmdTestsenden->click();
    EXPECT_EQ(tests, 1);
    w.cmdOK->click();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].way, platform::KeyingInterface::Way::Hamlib);
    EXPECT_EQ(saved[0].device, QStringLiteral("127.0.0.1:4532"));
    EXPECT_EQ(saved[0].model, 3073);
    EXPECT_FALSE(w.isVisible());
}
