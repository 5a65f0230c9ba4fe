#pragma once

#include "TransmitFigures.h"

#include <QDateTime>
#include <QWidget>

#include <optional>

class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTimer;
class TransmitChart;

namespace platform {
class Clock;
class Prompts;
} // namespace platform

// "Sendungen": the transmitter's use as the transmission log holds it, with a chart of
// the last 24 hours, a reset of its own (kept in ts.ini, the log stays whole) and the
// export of a date range to CSV. Read when shown and every 10 s while it is, on a pool
// thread.
class TransmitTab : public QWidget {
    Q_OBJECT
public:
    TransmitTab(QString logFile, QString iniFile, const platform::Clock& clock,
                platform::Prompts& prompts, QWidget* parent = nullptr);

    void refresh();
    bool reading() const { return m_reading; } // a read is under way
    void cmdSendeReset_Click();
    void cmdExport_Click();

    QLabel* lblHeute = nullptr;
    QLabel* lblWoche = nullptr;
    QLabel* lblSeitReset = nullptr;
    QLabel* lblSeit = nullptr;
    QLabel* lblLaengste = nullptr;
    QLabel* lblWatchdog = nullptr;
    QLabel* lblAnteil = nullptr;
    QLabel* lblFehler = nullptr;
    TransmitChart* chart = nullptr;
    QPushButton* cmdSendeReset = nullptr;
    QDateEdit* datVon = nullptr;
    QDateEdit* datBis = nullptr;
    QPushButton* cmdExport = nullptr;
    QLineEdit* txtFilter = nullptr;       // shows only the keyings of speakers that match
    QTableWidget* tblSendungen = nullptr; // the latest keyings, newest first
    // "Ereignisse": what happened at the station, newest first; a page of the window's own,
    // filled with the figures.
    QListWidget* lstEreignisse = nullptr;
    QTimer* Timer10s = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showKeyings(const std::vector<TransmitFigures::Keying>& keyings);
    void applyFilter();
    void showFigures(const std::optional<TransmitFigures>& figures, const QString& error);

    bool m_reading = false;
    bool m_readAgain = false;
    const QString m_logFile;
    const QString m_iniFile;
    const platform::Clock& m_clock;
    platform::Prompts& m_prompts;
};
