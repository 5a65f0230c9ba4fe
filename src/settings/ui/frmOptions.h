#pragma once

#include <QWidget>

#include <array>

class QComboBox;
class QLabel;
class QRadioButton;

// The first settings page: loaded at start-up, hidden, never unloaded. Its controls
// are the running program's store of login data and options.
class frmOptions : public QWidget {
    Q_OBJECT
public:
    explicit frmOptions(QWidget* parent = nullptr);

    QComboBox* cmbServerAdresse = nullptr;
    QComboBox* cmbCOMPort = nullptr;
    std::array<QRadioButton*, 2> optRTSDTR{};
    QLabel* lblÜberschrift = nullptr;
    QLabel* lblRelease = nullptr;

    // Start-up fills the server list with its three fixed entries.
    void fillServerList(const QString& defaultHost, const QString& defaultAddress);

protected:
    void closeEvent(QCloseEvent* event) override;
};
