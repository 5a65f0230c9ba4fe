// The squelch window: what each source lets one change, the meter on the chosen sound
// source, OK storing what is shown and Abbruch nothing.
#include "frmSquelch.h"

#include "WindowLife.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>

#include <gtest/gtest.h>

TEST(SquelchWindow, ShowsTheStoredChoiceListensToTheChosenSoundAndStoresOnOk) {
    SquelchSettings stored;
    stored.source = SquelchSettings::Source::Dsr;
    stored.activeHigh = false;
    stored.soundSource = QStringLiteral("weg");
    std::vector<std::optional<QString>> listened;
    std::vector<SquelchSettings> saved;
    SquelchFace face;
    face.sourceNames = [] { return QStringList{QStringLiteral("usb.mono")}; };
    face.sourceLabels = [] { return QStringList{QStringLiteral("USB-Funkadapter")}; };
    face.stored = [&] { return stored; };
    face.store = [&](const SquelchSettings& s) { saved.push_back(s); };
    face.listen = [&](std::optional<QString> s) { listened.push_back(std::move(s)); };
    face.levelDbfs = [] { return -42.4; };
    face.stateText = [] { return QStringLiteral("Squelch zu: Mikrofon aus"); };

    auto* w = new frmSquelch(face);
    // Opened near the foot of the screen, as the page-1 button's place may put it: it
    // shows wholly on the screen all the same.
    w->move(0, 590);
    showRaised(w);
    const QRect screen = w->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(w->frameGeometry()) ||
                w->frameGeometry().height() > screen.height())
        << "partly off the screen at y " << w->frameGeometry().y();
    EXPECT_EQ(w->chosen(), stored);
    EXPECT_EQ(w->cmbTonquelle->currentText(), QStringLiteral("weg (nicht vorhanden)"));
    EXPECT_TRUE(w->optTief->isEnabled() && !w->spnSchwelle->isEnabled());
    EXPECT_EQ(w->lblZustand->text(), QStringLiteral("Squelch zu: Mikrofon aus"));
    ASSERT_EQ(listened.back(), std::nullopt) << "no meter for a status line";

    w->cmbQuelle->setCurrentIndex(static_cast<int>(SquelchSettings::Source::Audio));
    w->cmbTonquelle->setCurrentIndex(1);
    EXPECT_EQ(listened.back(), QStringLiteral("usb.mono"));
    EXPECT_TRUE(!w->optTief->isEnabled() && w->spnSchwelle->isEnabled());
    w->Meter_Timer();
    EXPECT_EQ(w->barPegel->value(), -42);
    EXPECT_EQ(w->lblPegel->text(), QStringLiteral("-42 dBFS"));
    w->spnSchwelle->setValue(-50);
    w->cmdAbbruch->click();
    EXPECT_TRUE(saved.empty());
    EXPECT_EQ(listened.back(), std::nullopt) << "closing ends the meter's listening";

    w->show();
    w->cmdOK->click();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].source, SquelchSettings::Source::Audio);
    EXPECT_EQ(saved[0].thresholdDb, -50);
    EXPECT_EQ(saved[0].soundSource, QStringLiteral("usb.mono"));
    delete w;
}
