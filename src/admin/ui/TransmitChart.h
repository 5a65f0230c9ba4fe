#pragma once

#include <QDateTime>
#include <QWidget>

#include <array>

// Transmit minutes per clock hour over the last 24 hours, as bars against a scale up to the
// busiest hour (at least 5 minutes), the hours named below every third bar. Painted here: one chart
// does not warrant a charting library.
class TransmitChart : public QWidget {
    Q_OBJECT
public:
    explicit TransmitChart(QWidget* parent = nullptr);

    void setHours(const std::array<double, 24>& minutes, const QDateTime& firstHour);
    const std::array<double, 24>& minutes() const { return m_minutes; }
    // Where bar i stands, for tests and tooltips.
    QRect barArea(int i) const;

    QSize sizeHint() const override { return {480, 160}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect plot() const;

    std::array<double, 24> m_minutes{};
    QDateTime m_firstHour;
};
