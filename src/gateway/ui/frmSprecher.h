#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class QTimer;
namespace platform {
class ClickLabel;
}

// The speaker window: the nickname of whoever speaks, large enough to read across the
// room, always on top. A click on the name steps through seven sizes.
class frmSprecher : public QWidget {
    Q_OBJECT
public:
    struct Size {
        const char* caption;
        int width, height; // window, twips
        int fontPoints;
        int labelWidth; // twips
    };
    static constexpr std::array<Size, 7> Sizes{{
        {"15%", 3330, 540, 8, 3060},
        {"30%", 3735, 615, 10, 3495},
        {"45%", 4650, 690, 12, 4365},
        {"60%", 5145, 720, 14, 4800},
        {"75%", 6420, 810, 18, 6105},
        {"90%", 8595, 915, 24, 8190},
        {"100%", 11850, 1185, 36, 11760},
    }};

    // zoomstufe outlives the window: a window made anew comes back at the same step.
    frmSprecher(std::int16_t& zoomstufe, std::function<void(QWidget*, bool)> setTop,
                std::function<void()> showMainWindow, QWidget* parent = nullptr);

    void lblSprecher_Click();
    void Ablauf_Timer();

    platform::ClickLabel* lblSprecher = nullptr;
    QTimer* Ablauf = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::int16_t& m_zoomstufe;
    std::function<void(QWidget*, bool)> m_setTop;
    std::function<void()> m_showMainWindow;
};
