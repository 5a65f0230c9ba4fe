#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QTabWidget;
class QTimer;
class TransmitTab;
class UserStatistics;

namespace app {
struct SharedState;
}
namespace platform {
class Prompts;
}

// "Übersicht Statistik": the highest user count of this run and the all-time record
// of ts.ini, with a reset. The record itself lives on without the window. A second tab
// shows the transmitter's use when the program keeps a transmission log.
class frmStatic : public QWidget {
    Q_OBJECT
public:
    frmStatic(app::SharedState& state, UserStatistics& statistics, platform::Prompts& prompts,
              std::function<void()> showMainWindow, TransmitTab* transmissions = nullptr,
              QWidget* parent = nullptr);

    void Timer500ms_Timer();
    void cmdReset_Click();
    void cmdBack_Click();

    QLabel* lblStatic = nullptr;
    QLabel* lblUserMax1 = nullptr;
    QLabel* lblUserMax = nullptr;
    QLabel* lblUserMaxTime = nullptr;
    QLabel* lblUserMaxDate = nullptr;
    QLabel* lblRegSaved = nullptr;
    QLabel* lblUserMaxSaved = nullptr;
    QLabel* lblUserMaxTimeSaved = nullptr;
    QLabel* lblUserMaxDateSaved = nullptr;
    QPushButton* cmdReset = nullptr;
    QPushButton* cmdBack = nullptr;
    QTimer* Timer500ms = nullptr;
    QTabWidget* tabs = nullptr;
    TransmitTab* transmitTab = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    app::SharedState& m_state;
    UserStatistics& m_statistics;
    platform::Prompts& m_prompts;
    std::function<void()> m_showMainWindow;
};
