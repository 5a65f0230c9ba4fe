#pragma once

#include <QString>

class QCoreApplication;

namespace platform {

// Loads Qt's German texts for its standard dialogs and buttons ("Ja", "Nein",
// "Abbrechen"), whatever the user's locale: the program speaks German throughout.
// False when the translation is not installed; the reason goes to why.
bool installGermanDialogTexts(QCoreApplication& application, QString* why = nullptr);

} // namespace platform
