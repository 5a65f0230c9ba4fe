#include "frmSprecher.h"

#include "ClickLabel.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

class SpeakerWindow : public ::testing::Test {
protected:
    std::int16_t zoomstufe = 0;
    QStringList events;
    std::unique_ptr<frmSprecher> make() {
        return std::make_unique<frmSprecher>(
            zoomstufe,
            [this](QWidget*, bool top) { events << QStringLiteral("SetTop %1").arg(top); },
            [this] { events << QStringLiteral("main shown"); });
    }
    static QString state(const frmSprecher& w) {
        return QStringLiteral("%1 %2x%3 %4pt %5")
            .arg(w.windowTitle())
            .arg(w.width())
            .arg(w.height())
            .arg(w.lblSprecher->font().pointSize())
            .arg(w.lblSprecher->width());
    }
};

TEST_F(SpeakerWindow, SevenClicksStepThroughTheTableAndBack) {
    auto w = make();
    EXPECT_EQ(events, QStringList{QStringLiteral("SetTop 1")}) << "on top from its load";
    EXPECT_EQ(w->Ablauf->interval(), 500);
    EXPECT_TRUE(w->Ablauf->isActive()) << "runs while hidden";
    EXPECT_EQ(state(*w), QStringLiteral("15% 222x36 8pt 204"));
    const QString first = state(*w);
    QStringList seen;
    for (int i = 0; i < 7; ++i) {
        QTest::mouseClick(w->lblSprecher, Qt::LeftButton);
        w->Ablauf_Timer();
        seen << w->windowTitle();
    }
    EXPECT_EQ(seen, QStringList({"30%", "45%", "60%", "75%", "90%", "100%", "15%"}));
    EXPECT_EQ(state(*w), first);
}

TEST_F(SpeakerWindow, AClickTakesEffectAtTheNextTickAndAnEmptySpeakerKeepsTheSize) {
    auto w = make();
    w->lblSprecher->setText(QStringLiteral("DL1ABC"));
    w->lblSprecher_Click();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("15%")) << "not before the tick";
    w->Ablauf_Timer();
    const QString sized = state(*w);
    EXPECT_EQ(sized, QStringLiteral("30% 249x41 10pt 233"));
    w->lblSprecher->setText(QString());
    w->resize(500, 300); // by hand: the next tick puts it back
    w->Ablauf_Timer();
    EXPECT_EQ(state(*w), sized);
}

TEST_F(SpeakerWindow, AWindowMadeAgainComesBackAtItsStepAndClosingBringsTheMainWindow) {
    auto w = make();
    for (int i = 0; i < 3; ++i)
        w->lblSprecher_Click();
    w->show();
    w->close();
    EXPECT_EQ(events.last(), QStringLiteral("main shown"));
    w = make();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("60%"));
    EXPECT_EQ(w->lblSprecher->font().pointSize(), 14);
}
