#include "frmSprecher.h"

#include "ClickLabel.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QTimer>

namespace tw = platform::twips;

frmSprecher::frmSprecher(std::int16_t& zoomstufe, std::function<void(QWidget*, bool)> setTop,
                         std::function<void()> showMainWindow, QWidget* parent)
    : QWidget(parent), m_zoomstufe(zoomstufe), m_setTop(std::move(setTop)),
      m_showMainWindow(std::move(showMainWindow)) {
    lblSprecher = new platform::ClickLabel(this);
    lblSprecher->setAlignment(Qt::AlignCenter);
    connect(lblSprecher, &platform::ClickLabel::clicked, this, &frmSprecher::lblSprecher_Click);
    Ablauf = new QTimer(this);
    Ablauf->setInterval(500);
    connect(Ablauf, &QTimer::timeout, this, &frmSprecher::Ablauf_Timer);
    // Form_Load: on top from the start; the first size before it is ever shown.
    if (m_setTop)
        m_setTop(this, true);
    Ablauf_Timer();
    Ablauf->start();
}

void frmSprecher::lblSprecher_Click() {
    if (++m_zoomstufe > 6)
        m_zoomstufe = 0;
}

void frmSprecher::Ablauf_Timer() {
    const Size& s = Sizes[static_cast<std::size_t>(std::clamp<int>(m_zoomstufe, 0, 6))];
    // Window height and width, the label's font and width, the caption; nothing else.
    tw::setOuterSize(this, s.width, s.height);
    QFont font = lblSprecher->font();
    font.setPointSize(s.fontPoints);
    lblSprecher->setFont(font);
    lblSprecher->setGeometry((width() - tw::toPixels(s.labelWidth)) / 2, 0,
                             tw::toPixels(s.labelWidth), height());
    setWindowTitle(QString::fromLatin1(s.caption));
}

void frmSprecher::closeEvent(QCloseEvent* event) {
    if (m_showMainWindow) {
        m_showMainWindow();
    }
    event->accept();
}
