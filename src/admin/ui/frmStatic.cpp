#include "frmStatic.h"

#include "Glyphs.h"
#include "Prompts.h"
#include "SharedState.h"
#include "TransmitTab.h"
#include "UserStatistics.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

using platform::Prompts;

frmStatic::frmStatic(app::SharedState& state, UserStatistics& statistics, Prompts& prompts,
                     std::function<void()> showMainWindow, TransmitTab* transmissions,
                     QWidget* parent)
    : QWidget(parent), m_state(state), m_statistics(statistics), m_prompts(prompts),
      m_showMainWindow(std::move(showMainWindow)) {
    setWindowTitle(QStringLiteral("\u00DCbersicht Statistik"));
    setWindowIcon(platform::glyphs::icon(platform::glyphs::Glyph::Statistics));
    const auto label = [this](const QString& text) { return new QLabel(text, this); };
    const QString resetTime = QString::fromUtf16(UserStatistics::ResetTime);
    const QString resetDate = QString::fromUtf16(UserStatistics::ResetDate);
    lblStatic = label(QStringLiteral("Statistik"));
    QFont big = lblStatic->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    lblStatic->setFont(big);
    lblUserMax1 = label(QStringLiteral("User max. auf dem Server :"));
    lblUserMax = label(QString());
    lblUserMaxTime = label(resetTime);
    lblUserMaxDate = label(resetDate);
    lblRegSaved = label(QStringLiteral("Max User gespeichert"));
    lblUserMaxSaved = label(QString());
    lblUserMaxTimeSaved = label(resetTime);
    lblUserMaxDateSaved = label(resetDate);
    cmdReset = new QPushButton(QStringLiteral("RESET"), this);
    cmdBack = new QPushButton(QStringLiteral("Zur\u00FCck"), this);

    auto* grid = new QGridLayout;
    const auto row = [&](int r, QLabel* caption, QLabel* count, QLabel* time, QLabel* date) {
        grid->addWidget(caption, r, 0);
        grid->addWidget(count, r, 1);
        grid->addWidget(label(QStringLiteral("Uhrzeit :")), r, 2);
        grid->addWidget(time, r, 3);
        grid->addWidget(label(r == 0 ? QStringLiteral("Datum :") : QStringLiteral("Datum:")), r, 4);
        grid->addWidget(date, r, 5);
    };
    row(0, lblUserMax1, lblUserMax, lblUserMaxTime, lblUserMaxDate);
    row(1, lblRegSaved, lblUserMaxSaved, lblUserMaxTimeSaved, lblUserMaxDateSaved);
    auto* users = new QWidget(this);
    auto* usersLayout = new QVBoxLayout(users);
    usersLayout->addLayout(grid);
    usersLayout->addWidget(cmdReset, 0, Qt::AlignRight);
    usersLayout->addStretch();
    tabs = new QTabWidget(this);
    tabs->addTab(users, QStringLiteral("&Benutzer"));
    if (transmissions) {
        transmitTab = transmissions;
        tabs->addTab(transmitTab, QStringLiteral("&Sendungen"));
        tabs->addTab(transmitTab->lstEreignisse, QStringLiteral("E&reignisse"));
    }
    auto* top = new QVBoxLayout(this);
    top->addWidget(lblStatic);
    top->addWidget(tabs, 1);
    top->addWidget(cmdBack, 0, Qt::AlignRight);

    connect(cmdReset, &QPushButton::clicked, this, &frmStatic::cmdReset_Click);
    connect(cmdBack, &QPushButton::clicked, this, &frmStatic::cmdBack_Click);
    Timer500ms = new QTimer(this);
    Timer500ms->setInterval(500);
    connect(Timer500ms, &QTimer::timeout, this, &frmStatic::Timer500ms_Timer);

    // Load: the record as the file holds it now.
    m_statistics.MaxUserLesen();
    Timer500ms->start();
}

void frmStatic::Timer500ms_Timer() {
    const app::StatisticsVariables& s = m_state.frmStatic;
    lblUserMax->setText(QString::number(s.UserMax));
    lblUserMaxTime->setText(s.UserMaxTime);
    lblUserMaxDate->setText(s.UserMaxDate);
    lblUserMaxSaved->setText(m_statistics.SavedMax);
    lblUserMaxTimeSaved->setText(m_statistics.SavedMaxTime);
    lblUserMaxDateSaved->setText(m_statistics.SavedMaxDate);
}

void frmStatic::cmdReset_Click() {
    if (m_prompts.message(QStringLiteral("Z\u00E4hler wirkich auf 0 setzen ?"),
                          Prompts::Icon::Information, Prompts::Buttons::YesNo,
                          Prompts::Answer::Yes) == Prompts::Answer::Yes)
        m_statistics.reset();
}

void frmStatic::cmdBack_Click() {
    close(); // unloads the window; closing shows the main window
}

void frmStatic::closeEvent(QCloseEvent* event) {
    if (m_showMainWindow)
        m_showMainWindow();
    event->accept();
}
