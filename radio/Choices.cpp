#include "Choices.h"

#include "Cm108Line.h"

#include <QDir>
#include <QFile>
#include <QSerialPortInfo>

#include <hamlib/rig.h>

namespace {

int addModel(const rig_caps* caps, rig_ptr_t data) {
    static_cast<QStringList*>(data)->append(
        QStringLiteral("Hamlib\t%1\t%2 %3")
            .arg(caps->rig_model)
            .arg(QString::fromUtf8(caps->mfg_name), QString::fromUtf8(caps->model_name)));
    return 1; // go on
}

} // namespace

QStringList interfaceChoices() {
    QStringList out;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        out << QStringLiteral("COM\t%1\t%2").arg(port.systemLocation(), port.description());
    for (const QString& device : Cm108Line::findDevices()) {
        QFile name(QStringLiteral("%1/%2/device/../../product")
                       .arg(Cm108Line::hidrawRoot(), QDir(device).dirName()));
        const QString product = name.open(QIODevice::ReadOnly)
                                    ? QString::fromUtf8(name.readAll()).trimmed()
                                    : QString();
        out << QStringLiteral("CM108\t%1\t%2").arg(device, product);
    }
    rig_set_debug(RIG_DEBUG_NONE);
    rig_load_all_backends();
    rig_list_foreach(addModel, &out);
    for (const QString& chip :
         QDir(QStringLiteral("/dev"))
             .entryList({QStringLiteral("gpiochip*")}, QDir::System, QDir::Name))
        out << QStringLiteral("GPIO\t%1\t").arg(chip);
    return out;
}
