#pragma once

#include "Fakes.h"
#include "ScriptedLibrary.h"
#include "SharedState.h"
#include "TSRemote.h"
#include "frmOptions.h"

#include <QComboBox>
#include <QRadioButton>

#include <functional>

// Settings page 1 on a file, with fakes around it, loaded as start-up loads it.
struct PageOnFile {
    app::SharedState state;
    ScriptedLibrary library;
    clientlink::TSRemote ts{library};
    fakes::Prompts prompts;
    frmOptions page{state, ts, prompts};
    explicit PageOnFile(const QString& file) {
        state.Dateiname = file;
        // What start-up puts on the page before it loads.
        page.fillServerList(QStringLiteral("funk.quorvex.example"), QStringLiteral("192.0.2.15"));
        page.cmbCOMPort->setCurrentIndex(0);
        page.optRTSDTR[0]->setChecked(true);
        page.optRTSDTR[1]->setChecked(false);
        page.WerteEinlesen();
    }
};

// ts.ini as the program writes it: settings page 1 loads the file (when there is
// one), the test changes what a user would change, and the page saves. End-to-end
// tests start from this, never from a file that says what the program should write.
inline void saveWithSettingsPage(const QString& file,
                                 const std::function<void(frmOptions&)>& edit) {
    PageOnFile p(file);
    edit(p.page);
    p.page.cmdApply_Click();
}
