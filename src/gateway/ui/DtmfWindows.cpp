#include "DtmfWindows.h"

#include "SoundSources.h"

#include "Beacon.h"
#include "PulseCapture.h"
#include "SharedState.h"
#include "WindowLife.h"
#include "frmDTMF.h"
#include "frmDTMFSettings.h"

#include <QCheckBox>
#include <QLineEdit>

DtmfWindows::DtmfWindows(Parts parts)
    : m_parts(std::move(parts)), m_recognizer(m_parts.prompts),
      m_codes(m_parts.state, m_parts.keyer, m_parts.ts, [this] { m_parts.beacon.sendNow(); }) {
    m_recognizer.onDigit = [this](QChar digit) { heard(digit); };
    m_recognizer.onLost = [this] {
        if (m_keypad)
            m_keypad->chkDTMFeinaus->setChecked(false);
    };
}

DtmfWindows::~DtmfWindows() {
    m_recognizer.Close_Click();
    delete m_settings.data();
    delete m_keypad.data();
}

frmDTMF* DtmfWindows::keypad() {
    return existing(m_keypad, [this] {
        KeypadHost host;
        host.showMainWindow = m_parts.showMainWindow;
        host.showOptions = m_parts.showOptions;
        host.codesApplied = [this](const QString& open, const QString& close, const QString& id) {
            m_parts.state.frmDTMF = app::DtmfCodeVariables{open, close, id};
        };
        host.recognition =
            DtmfRecognition{[this] { startRecognizer(); }, [this] { m_recognizer.Close_Click(); },
                            [this] { showRecognizerSettings(); }};
        auto* w = new frmDTMF(m_parts.sound, m_parts.prompts, m_parts.soundsFolder, host);
        if (m_parts.state.DTMFSwitchGiven)
            w->enableRecognition();
        return w;
    });
}

void DtmfWindows::startRecognizer() {
    const RecognizerSettings set = readRecognizerSettings(m_parts.state.Dateiname);
    m_codes.enabled = set.runCodes;
    if (!m_recognizer.Start_Click(set.source) && m_keypad)
        m_keypad->chkDTMFeinaus->setChecked(false);
}

void DtmfWindows::heard(QChar digit) {
    QLineEdit* box = keypad()->txtDTMFString;
    const bool afterPause =
        !m_sinceDigit.isValid() || m_sinceDigit.elapsed() > GatewayCodes::PauseMs;
    m_sinceDigit.start();
    QString text = (afterPause ? QString() : box->text()) + digit;
    if (const auto shown = m_codes.act(text)) {
        if (m_parts.event)
            m_parts.event(QStringLiteral("DTMF-Code geh\u00F6rt: ") + *shown);
        text = *shown; // in lblDTMF for a moment: the keypad empties it within a second
    }
    box->setText(text);
}

void DtmfWindows::showRecognizerSettings() {
    // The server's sources, asked once per opening.
    const SoundSources sources = soundSources(std::chrono::milliseconds(DtmfRecognizer::BoundMs));
    const QString iniFile = m_parts.state.Dateiname;
    RecognizerFace face;
    face.sourceNames = [sources] { return sources.names; };
    face.sourceLabels = [sources] { return sources.labels; };
    face.levelDbfs = [this] {
        return m_recognizer.listening() ? m_recognizer.levelDbfs() : -120.0;
    };
    face.lastDigits = [this] { return m_recognizer.lastDigits(); };
    face.storedSource = [iniFile] { return readRecognizerSettings(iniFile).source; };
    face.storedRunCodes = [iniFile] { return readRecognizerSettings(iniFile).runCodes; };
    face.store = [this, iniFile](const QString& source, bool runCodes) {
        writeRecognizerSettings(iniFile, RecognizerSettings{source, runCodes});
        m_codes.enabled = runCodes;
        if (m_recognizer.recognizing())
            startRecognizer(); // on the newly chosen input
    };
    // While recognition is off, the meter listens to the input chosen in the window.
    face.sourceChosen = [this](const QString& source) { m_recognizer.listenForLevel(source); };
    face.closed = [this] {
        m_recognizer.stopLevel();
        showRaised(keypad());
    };
    showRaised(existing(m_settings, [&face] { return new frmDTMFSettings(face); }));
}
