#pragma once

#include "PulseCapture.h"

#include <QStringList>

#include <chrono>

// The sound server's sources as the settings windows list them: names and what they show.
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
