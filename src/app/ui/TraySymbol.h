#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QMenu;
class QAction;
class QSystemTrayIcon;

namespace app {

// The tray icon that stands for the parked main window, with its menu "Beenden".
class TraySymbol : public QObject {
    Q_OBJECT
public:
    // The tip is cut to this many characters, the platform's field including its NUL.
    static constexpr int TipField = 64;

    // busy is the shared TrayBusy flag: a message that arrives while one is handled is dropped.
    TraySymbol(bool& busy, QObject* parent = nullptr);
    ~TraySymbol() override;

    static QString tipText(const QString& caption, const QString& nickname);

    // Adds (true) or removes (false) the icon; the tip is fixed when it is added.
    void TrayIcon(bool show, const QString& tip = QString());
    bool isShown() const;
    QString tip() const;
    // While the transmitter is keyed the tip says so and for whom; empty: the fixed tip again.
    void setOnAir(const QString& sign);

    QMenu* menu() const { return m_menu.get(); }
    QAction* menu_ende() const { return m_ende; }

    // The icon's mouse handler. The menu is shown from here and waits for its choice, so
    // a click that arrives while it is open finds the handler busy and is dropped.
    void activated(int reason);

Q_SIGNALS:
    void doubleClicked();
    void endRequested();

private:
    std::unique_ptr<QMenu> m_menu;
    QAction* m_ende = nullptr;
    QSystemTrayIcon* m_icon = nullptr;
    bool& m_busy;
    QString m_fixedTip;
    QString m_onAir;
};

} // namespace app
