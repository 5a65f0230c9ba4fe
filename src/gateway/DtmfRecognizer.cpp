#include "DtmfRecognizer.h"

#include "INIfile.h"
#include "Prompts.h"
#include "ValueKinds.h"

#include <QTimer>

namespace {
const QString Section = QStringLiteral("DTMF");
}

RecognizerSettings readRecognizerSettings(const QString& iniFile) {
    RecognizerSettings s;
    s.source = INIfile::INIRead(iniFile, Section, QStringLiteral("Quelle")).trimmed();
    // Anything but a clean check value keeps the default: off.
    s.runCodes =
        settings::readCheck(INIfile::INIRead(iniFile, Section, QStringLiteral("CodesAusfuehren")))
            .value_or(0) == 1;
    return s;
}

bool writeRecognizerSettings(const QString& iniFile, const RecognizerSettings& s) {
    return INIfile::INIWrite(iniFile, Section, QStringLiteral("Quelle"), s.source) != 0 &&
           INIfile::INIWrite(iniFile, Section, QStringLiteral("CodesAusfuehren"),
                             s.runCodes ? QStringLiteral("1") : QStringLiteral("0")) != 0;
}

DtmfRecognizer::DtmfRecognizer(platform::Prompts& prompts, QObject* parent)
    : QObject(parent), m_prompts(prompts) {
    m_watch = new QTimer(this);
    m_watch->setInterval(500);
    connect(m_watch, &QTimer::timeout, this, &DtmfRecognizer::watch);
}

DtmfRecognizer::~DtmfRecognizer() {
    m_capture.stop(); // before the decoder it feeds goes
}

bool DtmfRecognizer::startCapture(const QString& source, std::string* why) {
    m_watch->stop();
    m_capture.stop();
    // Made on this thread, used only on the capture's; its digits come back here.
    m_decoder = std::make_unique<dtmf::Decoder>([this](const dtmf::DigitEvent& e) {
        if (!e.started)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, c = QChar::fromLatin1(e.digit)] {
                if (m_levelOnly)
                    return;
                m_last = (m_last + c).right(KeptDigits);
                if (onDigit)
                    onDigit(c);
            },
            Qt::QueuedConnection);
    });
    dtmf::Decoder* decoder = m_decoder.get();
    return m_capture.start(
        source.toStdString(), dtmf::DecoderRate,
        [this, decoder](const std::int16_t* samples, std::size_t count) {
            decoder->feed(std::span(samples, count));
            m_level = decoder->levelDbfs();
        },
        std::chrono::milliseconds(BoundMs), why);
}

bool DtmfRecognizer::Start_Click(const QString& source) {
    m_levelOnly = false;
    std::string why;
    if (!startCapture(source, &why)) {
        m_prompts.warn(QStringLiteral("Die DTMF-Erkennung kann nicht starten: kein Zugriff auf "
                                      "den Toneingang (%1).")
                           .arg(QString::fromStdString(why)));
        return false;
    }
    m_watch->start();
    return true;
}

void DtmfRecognizer::listenForLevel(const QString& source) {
    if (listening() && !m_levelOnly)
        return;
    m_levelOnly = true;
    if (!startCapture(source, nullptr))
        m_level = -120;
}

void DtmfRecognizer::stopLevel() {
    if (m_levelOnly)
        Close_Click();
    m_levelOnly = false;
}

void DtmfRecognizer::Close_Click() {
    m_watch->stop();
    m_capture.stop();
    m_level = -120;
}

// The recording can end without us: the server went away or the source vanished.
void DtmfRecognizer::watch() {
    if (m_capture.running())
        return;
    m_watch->stop();
    m_level = -120;
    m_prompts.warnLater(QStringLiteral("Die DTMF-Erkennung ist ausgefallen (%1).")
                            .arg(QString::fromStdString(m_capture.failure())));
    if (onLost)
        onLost();
}
