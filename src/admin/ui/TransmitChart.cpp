#include "TransmitChart.h"

#include <QPainter>

#include <algorithm>

namespace {
constexpr int Hours = 24;
constexpr double FullHour = 60.0;
} // namespace

TransmitChart::TransmitChart(QWidget* parent) : QWidget(parent) {
    setMinimumSize(360, 140);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void TransmitChart::setHours(const std::array<double, 24>& minutes, const QDateTime& firstHour) {
    m_minutes = minutes;
    m_firstHour = firstHour;
    QStringList tip;
    for (int i = 0; i < Hours; ++i)
        if (m_minutes[i] > 0)
            tip << QStringLiteral("%1 Uhr: %2 min")
                       .arg(m_firstHour.addSecs(i * 3600).time().hour(), 2, 10, QLatin1Char('0'))
                       .arg(m_minutes[i], 0, 'f', 1);
    setToolTip(tip.isEmpty() ? QStringLiteral("Keine Sendungen in den letzten 24 Stunden")
                             : tip.join(QLatin1Char('\n')));
    update();
}

QRect TransmitChart::plot() const {
    const int scale = fontMetrics().horizontalAdvance(QStringLiteral("60 min")) + 8;
    const int below = fontMetrics().height() + 4;
    return rect().adjusted(scale, 6, -6, -below);
}

QRect TransmitChart::barArea(int i) const {
    const QRect p = plot();
    const double slot = p.width() / double(Hours);
    const double share = std::clamp(m_minutes[i] / FullHour, 0.0, 1.0);
    const int height = static_cast<int>(share * p.height() + 0.5);
    const int left = p.left() + static_cast<int>(i * slot + 1);
    const int width = std::max(1, static_cast<int>(slot) - 2);
    return {left, p.bottom() - height + 1, width, height};
}

void TransmitChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect p = plot();
    painter.setPen(Qt::lightGray);
    for (int m : {15, 30, 45, 60}) {
        const int y = p.bottom() - static_cast<int>(m / FullHour * p.height());
        painter.drawLine(p.left(), y, p.right(), y);
    }
    painter.setPen(Qt::black);
    const int textHeight = fontMetrics().height();
    for (int m : {0, 30, 60}) {
        const int y = p.bottom() - static_cast<int>(m / FullHour * p.height());
        painter.drawText(QRect(0, y - textHeight / 2, p.left() - 4, textHeight),
                         Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1 min").arg(m));
    }
    painter.drawLine(p.bottomLeft(), p.bottomRight());
    for (int i = 0; i < Hours; ++i) {
        const QRect bar = barArea(i);
        if (bar.height() > 0)
            painter.fillRect(bar, QColor(200, 40, 40));
        if (i % 3 == 0 && m_firstHour.isValid())
            painter.drawText(QRect(bar.left() - 10, p.bottom() + 2, 40, textHeight),
                             Qt::AlignLeft | Qt::AlignTop,
                             QString::number(m_firstHour.addSecs(i * 3600).time().hour()));
    }
}
