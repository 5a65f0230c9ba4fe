#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>

class QLabel;
class QListWidget;
class QPushButton;
class QTimer;
class QToolButton;

namespace app {
struct SharedState;
}
namespace clientlink {
class TSRemote;
}
namespace platform {
class Prompts;
}

// "Player kicken": every player on the server, kicked from the channel or the server
// after a question. Filled when created; refilled while it lives (hidden too) whenever
// the server's user count changes. Closing the window ends it.
class frmKick : public QWidget {
    Q_OBJECT
public:
    frmKick(app::SharedState& state, clientlink::TSRemote& ts, platform::Prompts& prompts,
            std::function<void()> showMainWindow, QWidget* parent = nullptr);

    void FillPlayerList();
    void Timer1_Timer();
    void cmdKickPlayerChannel_Click();
    void cmdKickPlayerServer_Click();
    void cmdZurück_Click();

    QListWidget* List1 = nullptr;
    QPushButton* cmdKickPlayerChannel = nullptr;
    QPushButton* cmdKickPlayerServer = nullptr;
    QToolButton* cmdZurück = nullptr;
    QLabel* lblNicknameKick = nullptr;
    QTimer* Timer1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void kick(bool fromServer);

    app::SharedState& m_state;
    clientlink::TSRemote& m_ts;
    platform::Prompts& m_prompts;
    std::function<void()> m_showMainWindow;
    std::int32_t m_knownUsers = 0;
};
