#pragma once

#include "KeyingInterface.h"

#include <QString>

// ts.ini [Sender]: Art (COM, CM108, Hamlib, GPIO), Geraet, Modell, Baud, Pin, Invertiert.
// A missing section or key keeps the serial keyer of page 1, so older files work unchanged;
// a value out of its range is its default.
platform::KeyingInterface readSenderSettings(const QString& iniFile);
bool writeSenderSettings(const QString& iniFile, const platform::KeyingInterface& chosen);
