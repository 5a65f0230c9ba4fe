#include "GermanDialogs.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace platform {

bool installGermanDialogTexts(QCoreApplication& application, QString* why) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(&application);
    if (!translator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                          QStringLiteral("_"), folder)) {
        if (why != nullptr)
            *why = QStringLiteral("qtbase_de.qm not found in %1").arg(folder);
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    // Dates, numbers and the standard dialogs' own formats follow German usage too.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    return true;
}

} // namespace platform
