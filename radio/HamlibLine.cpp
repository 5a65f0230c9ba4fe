#include "HamlibLine.h"

#include <hamlib/rig.h>

platform::SerialLine::Result HamlibLine::failed(int code) {
    m_error = QStringLiteral("das Funkger\u00E4t an %1 antwortet nicht (Hamlib: %2)")
                  .arg(m_device, QString::fromLocal8Bit(rigerror2(code)).trimmed());
    return code == -RIG_EIO || code == -RIG_ETIMEOUT || code == -RIG_EPROTO ? Result::Gone
                                                                            : Result::Failed;
}

platform::SerialLine::Result HamlibLine::open(const QString& device) {
    close();
    m_device = device;
    m_dcdLines = -1;
    rig_set_debug(RIG_DEBUG_NONE);
    m_rig = rig_init(static_cast<rig_model_t>(m_model));
    if (m_rig == nullptr) {
        m_error = QStringLiteral("Hamlib kennt das Modell %1 nicht").arg(m_model);
        return Result::Unsupported;
    }
    const QByteArray path = device.toLocal8Bit();
    rig_set_conf(m_rig, rig_token_lookup(m_rig, "rig_pathname"), path.constData());
    if (m_baud > 0)
        rig_set_conf(m_rig, rig_token_lookup(m_rig, "serial_speed"),
                     QByteArray::number(m_baud).constData());
    if (const int code = rig_open(m_rig); code != RIG_OK) {
        const Result why = failed(code);
        rig_cleanup(m_rig);
        m_rig = nullptr;
        return why == Result::Gone ? Result::NotFound : why;
    }
    // Starts unkeyed, whatever a predecessor left.
    return key(false);
}

platform::SerialLine::Result HamlibLine::key(bool up) {
    if (m_rig == nullptr)
        return Result::Failed;
    const int code = rig_set_ptt(m_rig, RIG_VFO_CURR, up ? RIG_PTT_ON : RIG_PTT_OFF);
    return code == RIG_OK ? Result::Ok : failed(code);
}

platform::SerialLine::Result HamlibLine::inputLines(int& lines) {
    if (m_rig == nullptr)
        return Result::Failed;
    const auto now = std::chrono::steady_clock::now();
    if (m_dcdLines >= 0 && now - m_dcdAt < DcdEvery) {
        lines = m_dcdLines;
        return Result::Ok;
    }
    dcd_t dcd = RIG_DCD_OFF;
    const int code = rig_get_dcd(m_rig, RIG_VFO_CURR, &dcd);
    if (code != RIG_OK) {
        m_dcdLines = -1;
        return failed(code);
    }
    m_dcdAt = now;
    m_dcdLines = lines = dcd == RIG_DCD_ON ? Dcd : 0;
    return Result::Ok;
}

platform::SerialLine::Result HamlibLine::check() {
    if (m_rig == nullptr)
        return Result::Failed;
    ptt_t ptt = RIG_PTT_OFF;
    const int code = rig_get_ptt(m_rig, RIG_VFO_CURR, &ptt);
    return code == RIG_OK ? Result::Ok : failed(code);
}

void HamlibLine::close() {
    if (m_rig == nullptr)
        return;
    rig_set_ptt(m_rig, RIG_VFO_CURR, RIG_PTT_OFF);
    rig_close(m_rig);
    rig_cleanup(m_rig);
    m_rig = nullptr;
}
