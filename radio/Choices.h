#pragma once

// What can be chosen here, for the interface window: one line per choice,
// "<way>\t<value>\t<what it is>", the ways COM, CM108, Hamlib and GPIO.
#include <QStringList>

QStringList interfaceChoices();
