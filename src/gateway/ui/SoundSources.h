#pragma once

#include "PulseCapture.h"

#include <QComboBox>
#include <QProgressBar>
#include <QStringList>

#include <algorithm>
#include <chrono>

// The sound server's sources as the settings windows list them: names and what they show,
// the box that offers them and the meter that shows the chosen one's level.
struct SoundSources {
    QStringList names, labels;
};

inline SoundSources soundSources(std::chrono::milliseconds bound) {
    std::string why;
    SoundSources out;
    for (const auto& source : platform::pulse::listSources(bound, &why)) {
        out.names << QString::fromStdString(source.name);
        out.labels << QString::fromStdString(source.description);
    }
    return out;
}

// The default input first (its data is the empty name), then each source, and a stored
// one the server no longer has, marked as such; the stored one is chosen.
inline QComboBox* soundSourceBox(QWidget* parent, const QStringList& names,
                                 const QStringList& labels, const QString& stored) {
    auto* box = new QComboBox(parent);
    box->addItem(QStringLiteral("Standard-Eingang"), QString());
    for (qsizetype i = 0; i < names.size(); ++i)
        box->addItem(labels.value(i, names[i]), names[i]);
    if (!stored.isEmpty() && box->findData(stored) < 0)
        box->addItem(stored + QStringLiteral(" (nicht vorhanden)"), stored);
    box->setCurrentIndex(std::max(0, box->findData(stored)));
    return box;
}

inline QProgressBar* levelMeter(QWidget* parent, int floorDb) {
    auto* bar = new QProgressBar(parent);
    bar->setRange(floorDb, 0);
    bar->setTextVisible(false);
    return bar;
}
