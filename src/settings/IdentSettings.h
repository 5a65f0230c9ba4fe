#pragma once

#include <QString>

// The identification after traffic as ts.ini keeps it: [Bake] Kennung (0/1) and
// KennungMinuten (1 to 60); anything else is the default (off, 10 minutes).
struct IdentSettings {
    bool on = false;
    int minutes = 10;
};

IdentSettings readIdentSettings(const QString& iniFile);
bool writeIdentSettings(const QString& iniFile, const IdentSettings& settings);
