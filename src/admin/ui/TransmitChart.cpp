#include "TransmitChart.h"

#include <QPainter>

#include <algorithm>

namespace {
constexpr int Hours = 24;

// The scale's top: the busiest hour shown, rounded up to a step a reader takes in at a
// glance, never below 5 minutes (a minute of traffic still stands out) nor above the hour.
double scaleTop(const std::array<double, 24>& minutes) {
    const double busiest = *std::max_element(minutes.begin(), minutes.end());
    for (const double top : {5.0, 10.0, 15.0, 20.0, 30.0, 45.0})
        if (busiest <= top)
            return top;
    return 60.0;
}

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

// Left the scale's numbers, above the title "Minuten", below the hours and "Uhr".
QRect TransmitChart::plot() const {
    const int scale = fontMetrics().horizontalAdvance(QStringLiteral("60")) + 10;
    const int line = fontMetrics().height();
    return rect().adjusted(
        scale, line + 4, -6 - fontMetrics().horizontalAdvance(QStringLiteral("Uhr")), -(line + 4));
}

QRect TransmitChart::barArea(int i) const {
    const QRect p = plot();
    const double slot = p.width() / double(Hours);
    const double share = std::clamp(m_minutes[i] / scaleTop(m_minutes), 0.0, 1.0);
    const int height = static_cast<int>(share * p.height() + 0.5);
    const int left = p.left() + static_cast<int>(i * slot + 1);
    const int width = std::max(1, static_cast<int>(slot) - 2);
    return {left, p.bottom() - height + 1, width, height};
}

void TransmitChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect p = plot();
    const double top = scaleTop(m_minutes);
    const int textHeight = fontMetrics().height();
    const auto yOf = [&](double m) { return p.bottom() - static_cast<int>(m / top * p.height()); };
    painter.setPen(Qt::lightGray);
    for (const double m : {top / 4, top / 2, top * 3 / 4, top})
        painter.drawLine(p.left(), yOf(m), p.right(), yOf(m));
    painter.setPen(Qt::black);
    // The numbers stand left of the plot, the lowest one above the hours' row.
    for (const double m : {0.0, top / 2, top}) {
        const int y = std::min(yOf(m) - textHeight / 2, p.bottom() - textHeight);
        painter.drawText(QRect(0, y, p.left() - 6, textHeight), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(m, 'g', 3));
    }
    painter.drawText(QRect(p.left() + 4, 0, width(), textHeight + 2), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("Minuten"));
    painter.drawLine(p.bottomLeft(), p.bottomRight());
    const int slot = p.width() / Hours;
    for (int i = 0; i < Hours; ++i) {
        const QRect bar = barArea(i);
        if (bar.height() > 0)
            painter.fillRect(bar, QColor(200, 40, 40));
        // Every third hour, centred under its bar.
        if (i % 3 == 0 && m_firstHour.isValid())
            painter.drawText(QRect(bar.center().x() - slot, p.bottom() + 2, 2 * slot, textHeight),
                             Qt::AlignHCenter | Qt::AlignTop,
                             QString::number(m_firstHour.addSecs(i * 3600).time().hour()));
    }
    painter.drawText(QRect(p.right() + 2, p.bottom() + 2, width() - p.right() - 2, textHeight),
                     Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Uhr"));
}
