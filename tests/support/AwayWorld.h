#pragma once

// The auto-away tests' world: ts.ini with auto-away after one minute, ts2sim with the own
// player connected, and what the client saw of the away flag.
#include "Rig.h"
#include "SavedSettings.h"
#include "TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

#include <memory>

struct AwayWorld {
    AwayWorld() {
        saveWithSettingsPage(dir.file(QStringLiteral("ts.ini")), [](frmOptions& page) {
            page.cmbServerAdresse->setCurrentIndex(2);
            page.txtNickname->setText(QStringLiteral("DL0GW"));
            page.chkAutoAway->setChecked(true);
            page.sldAutoAway->setValue(1);
        });
        dir.write(QStringLiteral("world.txt"),
                  "connect teamspeak://localhost:8767?nickname=DL0GW?loginname=?password="
                  "?channel=?channelpassword=\n");
        sim = std::make_unique<SimProcess>(socket, dir.file(QStringLiteral("world.txt")));
    }
    // Away written after output position from (see mark()).
    bool away(qsizetype from = 0) const {
        return sim->output().indexOf("tsrSetPlayerFlags flags=8\n", from) >= 0;
    }
    qsizetype mark() const { return sim->output().size(); }
    // Flags 0 written after the last away.
    bool back() const {
        const QByteArray out = sim->output();
        const qsizetype away = out.lastIndexOf("tsrSetPlayerFlags flags=8\n");
        return away >= 0 && out.indexOf("tsrSetPlayerFlags flags=0\n", away) > away;
    }

    TempDir dir;
    QString socket = dir.file(QStringLiteral("client.sock"));
    std::unique_ptr<SimProcess> sim;
};
