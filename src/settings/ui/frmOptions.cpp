#include "frmOptions.h"

#include "GermanErrors.h"
#include "INIfile.h"
#include "Prompts.h"
#include "SettingsKeys.h"
#include "SharedState.h"
#include "TSRemote.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <cerrno>
#include <functional>
#include <optional>

using namespace settings;

static_assert(PageOneKeys.size() == 22, "frmOptions::m_keep has a bit for each key");

namespace {

// One step of the loader; the steps that show a slider's value read no key.
struct LoadStep {
    template <typename F> LoadStep(F f, bool reads = true) : run(std::move(f)), readsKey(reads) {}
    std::function<bool()> run;
    bool readsKey;
};

} // namespace

frmOptions::frmOptions(app::SharedState& state, clientlink::TSRemote& ts,
                       platform::Prompts& prompts, QWidget* parent)
    : QWidget(parent), m_state(state), m_ts(ts), m_prompts(prompts) {
    buildControls();
    setSeams({});
}

void frmOptions::setSeams(OptionsSeams seams) {
    m_seams = std::move(seams);
    cmdSeite2->setEnabled(bool(m_seams.showPage2));
    cmdDTMF->setEnabled(bool(m_seams.showDtmf));
    // The keypad's button shows in gateway mode, once the keypad exists.
    cmdDTMF->setVisible(chkGateway->checkState() == Qt::Checked && m_seams.showDtmf);
    cmdSquelch->setVisible(chkGateway->checkState() == Qt::Checked && m_seams.showSquelch);
    cmdSender->setVisible(chkGateway->checkState() == Qt::Checked && m_seams.showSender);
    for (QPushButton* b : cmdMakeLink)
        b->setEnabled(bool(m_seams.makeLink));
}

int frmOptions::checkValue(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

void frmOptions::setCheckValue(QCheckBox* box, int value) {
    if (value == 2)
        box->setTristate(true);
    box->setCheckState(value == 1   ? Qt::Checked
                       : value == 2 ? Qt::PartiallyChecked
                                    : Qt::Unchecked);
}

void frmOptions::fillServerList(const QString& defaultHost, const QString& defaultAddress) {
    cmbServerAdresse->clear();
    cmbServerAdresse->addItem(defaultHost, 0);
    cmbServerAdresse->addItem(defaultAddress, 1);
    cmbServerAdresse->addItem(QStringLiteral("localhost"), 2);
    cmbServerAdresse->setCurrentIndex(-1);
    cmbServerAdresse->setEditText(QString());
}

void frmOptions::WerteEinlesen() {
    const QString file = m_state.Dateiname;
    const auto read = [&file](const KeyDef& k) {
        return INIfile::INIRead(file, text(k.section), text(k.key));
    };
    const auto intoText = [&](const KeyDef& k, QLineEdit* field) {
        return [&, field] {
            field->setText(read(k));
            return true;
        };
    };
    const auto intoCheck = [&](const KeyDef& k, QCheckBox* box) {
        return [&, box] {
            const auto v = readCheck(read(k));
            if (v)
                setCheckValue(box, *v);
            return v.has_value();
        };
    };
    const auto intoSlider = [&](const KeyDef& k, QSlider* slider) {
        return [&, slider] {
            const auto v = readNumber(read(k), slider->minimum(), slider->maximum());
            if (v)
                slider->setValue(*v);
            return v.has_value();
        };
    };
    const auto intoIndex = [&](const KeyDef& k, QComboBox* list) {
        return [&, list] {
            const auto v = readIndex(read(k), list->count());
            if (v)
                list->setCurrentIndex(*v);
            return v.has_value();
        };
    };
    // Option buttons of one group: selecting one clears the other, so when the file
    // holds True for both the later one wins; False only clears the button itself.
    const auto intoOption = [&](const KeyDef& k, int index) {
        return [&, index] {
            const auto v = readBoolean(read(k));
            if (v) {
                optRTSDTR[static_cast<std::size_t>(index)]->setChecked(*v);
                if (*v)
                    optRTSDTR[static_cast<std::size_t>(1 - index)]->setChecked(false);
            }
            return v.has_value();
        };
    };
    const auto& L = LoginKeys;
    const auto& O = OptionKeys;
    // Every key in its order; the first unusable value ends the loading silently.
    const LoadStep steps[] = {
        intoIndex(L[0], cmbServerAdresse),
        intoText(L[1], txtPortNummer),
        intoText(L[2], txtNickname),
        intoText(L[3], txtLoginName),
        intoText(L[4], txtPassword),
        intoText(L[5], txtDefaultChannel),
        {[&] {
            lblDefaultChannelID->setText(read(L[6]));
            return true;
        }},
        intoText(L[7], txtChannelPassword),
        intoCheck(O[0], chkGateway),
        intoCheck(O[1], chkVordergrund),
        intoCheck(O[2], chkAutoAway),
        intoSlider(O[3], sldAutoAway),
        intoIndex(O[4], cmbCOMPort),
        intoCheck(O[5], chkTraySymbol),
        intoOption(O[6], 0),
        intoOption(O[7], 1),
        intoSlider(O[8], sldDelay),
        {[&] {
             lblactSliderAutoAway->setNum(sldAutoAway->value());
             return true;
         },
         false},
        intoSlider(O[9], sldWatchdog),
        {[&] {
             lblactsldWatchdog->setNum(sldWatchdog->value());
             return true;
         },
         false},
        intoCheck(O[10], chkWatchdog),
        intoCheck(O[11], chkAutoStart),
        intoCheck(O[12], chkVoiceAnfrage),
        intoCheck(O[13], chkControlRecord),
        {[&] {
             readBeaconKeys();
             return true;
         },
         false},
    };
    m_loading = true;
    m_keep.reset();
    std::size_t keysRead = 0;
    for (const LoadStep& step : steps) {
        if (!step.run()) {
            m_loading = false;
            keepUnreachedKeys(keysRead + 1);
            return;
        }
        keysRead += step.readsKey ? 1 : 0;
    }
    m_loading = false;

    applyDerivedSettings();
    if (txtPortNummer->text().isEmpty())
        txtPortNummer->setText(QString::fromLatin1(DefaultPort));
    applyKeyingLine();
    m_state.frmOptions.COMPortAuswahl = static_cast<std::int16_t>(cmbCOMPort->currentIndex());
}

// A stopped load leaves the later fields at whatever they held. Writing those over
// the file would replace stored settings (passwords included) with start values, so
// apply leaves every key alone that has a value in the file and was not reached.
// The unusable key itself is written, so a save mends the file.
void frmOptions::keepUnreachedKeys(std::size_t firstKept) {
    for (std::size_t i = firstKept; i < PageOneKeys.size(); ++i) {
        const KeyDef& k = PageOneKeys[i];
        if (!INIfile::INIRead(m_state.Dateiname, text(k.section), text(k.key)).isEmpty())
            m_keep.set(i);
    }
}

void frmOptions::touched(std::size_t key) {
    if (!m_loading)
        m_keep.reset(key);
}

void frmOptions::readBeaconKeys() {
    const QString file = m_state.Dateiname;
    const auto read = [&file](const KeyDef& k) {
        return INIfile::INIRead(file, text(k.section), text(k.key));
    };
    BeaconValues keys;
    // Page 2's keys never keep page 1's settings from taking effect: a file from an
    // older install or a hand edit without a usable beacon switch has the beacon off.
    keys.EinAus = readCheck(read(settings::BeaconKeys[0])).value_or(0);
    keys.Datei = read(settings::BeaconKeys[1]);
    keys.Wann = read(settings::BeaconKeys[2]);
    keys.Startzeit = read(settings::BeaconKeys[3]);
    if (m_seams.loadBeacon)
        m_seams.loadBeacon(keys);
}

void frmOptions::applyDerivedSettings() {
    app::SharedState& s = m_state;
    s.FuncGateway = isChecked(checkValue(chkGateway));
    s.Vordergrund = isChecked(checkValue(chkVordergrund));
    s.FensterÄndern = true;
    s.FuncAutoAway = isChecked(checkValue(chkAutoAway));
    s.frmOptions.SysTray = isChecked(checkValue(chkTraySymbol));
    s.WatchdogEIN = isChecked(checkValue(chkWatchdog));
    s.frmOptions.VoiceAnfrageEIN = isChecked(checkValue(chkVoiceAnfrage));
    s.frmOptions.FuncControlRecord = isChecked(checkValue(chkControlRecord));
}

void frmOptions::applyKeyingLine() {
    if (optRTSDTR[0]->isChecked())
        m_state.frmCOM.DTR = false;
    if (optRTSDTR[1]->isChecked())
        m_state.frmCOM.DTR = true;
}

void frmOptions::cmdApply_Click() {
    app::SharedState& s = m_state;
    // 1.-3. The derived settings; a gateway that is switched off gives up its commander flag.
    if (!isChecked(checkValue(chkGateway)) && s.FlagChannelCommander)
        m_ts.TSSetChannelCommander(false);
    applyDerivedSettings();
    // 4. The autostart links follow the box on every apply.
    const auto& autostart = isChecked(checkValue(chkAutoStart)) ? m_seams.CreateFileShortcut
                                                                : m_seams.DeleteFileShortCut;
    if (autostart)
        autostart();
    // 5. The 22 keys in their order.
    const int server = cmbServerAdresse->currentIndex();
    const bool typed =
        server < 0 || cmbServerAdresse->itemText(server) != cmbServerAdresse->currentText();
    const QString values[] = {
        writeNumber(typed ? -1 : server),
        txtPortNummer->text(),
        txtNickname->text(),
        txtLoginName->text(),
        txtPassword->text(),
        txtDefaultChannel->text(),
        lblDefaultChannelID->text(),
        txtChannelPassword->text(),
        writeNumber(checkValue(chkGateway)),
        writeNumber(checkValue(chkVordergrund)),
        writeNumber(checkValue(chkAutoAway)),
        writeNumber(sldAutoAway->value()),
        writeNumber(cmbCOMPort->currentIndex()),
        writeNumber(checkValue(chkTraySymbol)),
        writeBoolean(optRTSDTR[0]->isChecked()),
        writeBoolean(optRTSDTR[1]->isChecked()),
        writeNumber(sldDelay->value()),
        writeNumber(sldWatchdog->value()),
        writeNumber(checkValue(chkWatchdog)),
        writeNumber(checkValue(chkAutoStart)),
        writeNumber(checkValue(chkVoiceAnfrage)),
        writeNumber(checkValue(chkControlRecord)),
    };
    static_assert(std::size(values) == PageOneKeys.size());
    std::optional<int> failure;
    for (std::size_t i = 0; i < PageOneKeys.size(); ++i) {
        const KeyDef& k = PageOneKeys[i];
        if (m_keep.test(i))
            continue;
        errno = 0;
        if (INIfile::INIWrite(s.Dateiname, text(k.section), text(k.key), values[i]) == 0 &&
            !failure)
            failure = errno;
    }
    // The user must not believe unsaved settings saved; one message for the whole save.
    if (failure)
        m_prompts.warn(QStringLiteral("Die Einstellungen konnten nicht in \"%1\" gespeichert "
                                      "werden (%2).")
                           .arg(s.Dateiname, *failure != 0
                                                 ? platform::germanReason(*failure)
                                                 : QStringLiteral("ung\u00FCltiger Wert")));
    // 6.-8. The keyer reopens the chosen port on its next tick.
    if (s.frmCOM.COMPortOffen && m_seams.COM_schliessen)
        m_seams.COM_schliessen(s.frmOptions.COMPortAuswahl);
    applyKeyingLine();
    s.frmOptions.COMPortAuswahl = static_cast<std::int16_t>(cmbCOMPort->currentIndex());
    if (m_seams.afterApply)
        m_seams.afterApply();
}

void frmOptions::showComDevices(const std::array<QString, 4>& devices) {
    m_devices = devices;
    for (int i = 1; i <= 4; ++i) {
        cmbCOMPort->setItemData(
            i, QStringLiteral("COM%1: %2").arg(i).arg(devices[static_cast<std::size_t>(i - 1)]),
            Qt::ToolTipRole);
    }
    showChosenDevice();
}

void frmOptions::showChosenDevice() {
    const int i = cmbCOMPort->currentIndex();
    lblCOMDevice->setText(i >= 1 && i <= 4 ? m_devices[static_cast<std::size_t>(i - 1)]
                                           : QString());
}

void frmOptions::cmdOK_Click() {
    if (m_host.showMainWindow)
        m_host.showMainWindow();
    hide();
    cmdApply_Click();
}

void frmOptions::cmdCancel_Click() {
    hide();
    WerteEinlesen();
    if (m_host.showMainWindow)
        m_host.showMainWindow();
}

void frmOptions::cmdSeite2_Click() {
    if (!m_seams.showPage2)
        return;
    m_seams.showPage2();
    hide();
}

void frmOptions::cmdDTMF_Click() {
    if (!m_seams.showDtmf)
        return;
    hide();
    m_seams.showDtmf();
}

void frmOptions::cmdSquelch_Click() {
    if (m_seams.showSquelch)
        m_seams.showSquelch();
}

void frmOptions::cmdTSFehler_Click() {
    const QString none = QStringLiteral("KEIN FEHLER");
    if (m_ts.LastTSError.isEmpty())
        m_ts.LastTSError = none;
    m_prompts.inform(m_ts.LastTSError);
    m_ts.LastTSError = none;
}

void frmOptions::img_get_nickname_Click() {
    const QString nick = m_host.ownNicknameCaption ? m_host.ownNicknameCaption() : QString();
    if (!nick.isEmpty() && nick.left(5) != QLatin1String("Guest") &&
        nick.left(8) != QLatin1String("Homepage")) {
        txtNickname->setText(nick);
        return;
    }
    m_prompts.warn(QStringLiteral("Nickname ist nicht m\u00F6glich !!"));
}

void frmOptions::img_get_defaultchannel_Click() {
    const QString channel = m_host.ownChannelCaption ? m_host.ownChannelCaption() : QString();
    if (channel.isEmpty()) {
        m_prompts.warn(QStringLiteral("Default Channel kann nicht \u00FCbernommen werden !"));
        return;
    }
    touched(pageOneKey(u"DefaultChannelID"));
    txtDefaultChannel->setText(m_state.AktuellerChannel);
    lblDefaultChannelID->setText(QString::number(m_state.ChannelOwnID));
}

void frmOptions::img_del_defaultchannel_Click() {
    touched(pageOneKey(u"DefaultChannelID")); // a label reports no change of its own
    txtDefaultChannel->clear();
    lblDefaultChannelID->setText(QStringLiteral("-1"));
}

void frmOptions::chkGateway_Click() {
    const bool gateway = chkGateway->checkState() == Qt::Checked;
    for (QWidget* w : std::initializer_list<QWidget*>{chkAutoAway, sldAutoAway,
                                                      lblactSliderAutoAway, lblSliderAutoAway})
        w->setVisible(!gateway);
    for (QWidget* w : std::initializer_list<QWidget*>{
             lblcmbCOMPort, cmbCOMPort, lblCOMDevice, lblCOMKeyerSignal, optRTSDTR[0], optRTSDTR[1],
             lblSliderDelay, sldDelay, lblactsliderGateway, sldWatchdog, chkWatchdog,
             lblsldWatchdog, lblactsldWatchdog})
        w->setVisible(gateway);
    cmdDTMF->setVisible(gateway && m_seams.showDtmf);
    cmdSquelch->setVisible(gateway && m_seams.showSquelch);
    cmdSender->setVisible(gateway && m_seams.showSender);
    if (m_host.setLineLampsVisible)
        m_host.setLineLampsVisible(gateway);
}

void frmOptions::toggleDebug() {
    chkDebug->setChecked(!chkDebug->isChecked());
    if (m_host.setDebugMode)
        m_host.setDebugMode(chkDebug->isChecked());
}

void frmOptions::closeEvent(QCloseEvent* event) {
    // The page holds the live settings: it is left through its buttons only.
    event->ignore();
}

void frmOptions::adoptClientPort(bool mumble) {
    const QString own = QString::fromLatin1(mumble ? MumblePort : DefaultPort);
    const QString other = QString::fromLatin1(mumble ? DefaultPort : MumblePort);
    const QString now = txtPortNummer->text().trimmed();
    if (!now.isEmpty() && now != other)
        return;
    txtPortNummer->setText(own);
    const KeyDef& k = PageOneKeys[pageOneKey(u"ServerPort")];
    INIfile::INIWrite(m_state.Dateiname, text(k.section), text(k.key), own);
}
