#include "TraySymbol.h"

#include "AppIcon.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

namespace app {

TraySymbol::TraySymbol(bool& busy, QObject* parent)
    : QObject(parent), m_menu(std::make_unique<QMenu>()), m_busy(busy) {
    m_menu->setTitle(QStringLiteral("Kontextmen\u00FC"));
    m_ende = m_menu->addAction(QStringLiteral("Beenden"));
    m_menu->setDefaultAction(m_ende);
    connect(m_ende, &QAction::triggered, this, &TraySymbol::endRequested);

    m_icon = new QSystemTrayIcon(appIcon(), this);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) { activated(static_cast<int>(r)); });
}

TraySymbol::~TraySymbol() = default;

QString TraySymbol::tipText(const QString& caption, const QString& nickname) {
    return (caption + QStringLiteral(" // ") + nickname).left(TipField - 1);
}

void TraySymbol::TrayIcon(bool show, const QString& tip) {
    if (show) {
        m_fixedTip = tip;
        m_icon->setToolTip(m_onAir.isEmpty() ? tip : m_onAir);
        m_icon->show();
    } else {
        m_icon->hide();
    }
}

bool TraySymbol::isShown() const {
    return m_icon->isVisible();
}

QString TraySymbol::tip() const {
    return m_icon->toolTip();
}

void TraySymbol::setOnAir(const QString& sign) {
    if (sign == m_onAir)
        return;
    m_onAir = sign;
    m_icon->setToolTip(sign.isEmpty() ? m_fixedTip : sign.left(TipField - 1));
}

void TraySymbol::activated(int reason) {
    if (m_busy)
        return;
    m_busy = true;
    if (reason == QSystemTrayIcon::DoubleClick)
        Q_EMIT doubleClicked();
    else if (reason == QSystemTrayIcon::Context)
        m_menu->exec(QCursor::pos(), m_ende);
    m_busy = false;
}

} // namespace app
