#pragma once

#include "DtmfDecoder.h"
#include "PulseCapture.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QTimer;

namespace platform {
class Prompts;
}

// What the recognizer keeps in ts.ini, section "DTMF".
struct RecognizerSettings {
    QString source;        // "Quelle": a source of the sound server; empty: its default
    bool runCodes = false; // "CodesAusfuehren": act on the gateway codes
};
RecognizerSettings readRecognizerSettings(const QString& iniFile);
bool writeRecognizerSettings(const QString& iniFile, const RecognizerSettings& settings);

// Listens on a sound source and hands each recognized digit to the user-interface
// thread. Capture and decoding run on the capture's worker thread.
class DtmfRecognizer : public QObject {
    Q_OBJECT
public:
    static constexpr int BoundMs = 1000;
    static constexpr int KeptDigits = 16;

    explicit DtmfRecognizer(platform::Prompts& prompts, QObject* parent = nullptr);
    ~DtmfRecognizer() override;

    // False (after a message) when the source cannot be opened.
    bool Start_Click(const QString& source);
    void Close_Click();
    // Only the level of a source, for the settings window while recognition is off:
    // no digits, no messages. Does nothing while recognition runs.
    void listenForLevel(const QString& source);
    void stopLevel();
    bool listening() const { return m_capture.running(); }
    // Listening for digits, not only for the level.
    bool recognizing() const { return listening() && !m_levelOnly; }
    double levelDbfs() const { return m_level.load(); }
    QString lastDigits() const { return m_last; }

    std::function<void(QChar)> onDigit; // on the user-interface thread
    std::function<void()> onLost;       // the recording ended on its own

private:
    bool startCapture(const QString& source, std::string* why);
    void watch();

    platform::Prompts& m_prompts;
    platform::pulse::Capture m_capture;
    std::unique_ptr<dtmf::Decoder> m_decoder;
    std::atomic<double> m_level{-120};
    QString m_last;
    QTimer* m_watch = nullptr;
    bool m_levelOnly = false;
};
