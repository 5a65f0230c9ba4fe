#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Values of freedesktop desktop entries (.desktop files, mimeapps.list).
namespace platform::desktopentry {

// A value as the file must hold it: backslash, line breaks and tabs escaped, so no
// value can start a line of its own.
QString escapeValue(const QString& value);
QString unescapeValue(const QString& value);

// The arguments of an Exec value (already unescaped), quotes and their escapes
// resolved; nullopt for a malformed line. Field codes stay as they are.
std::optional<QStringList> splitExec(const QString& exec);
// One argument quoted for an Exec value, so the program sees it unchanged.
QString quoteExecArgument(const QString& argument);
// The same, but left bare when it holds no character that needs quotes: simple
// launchers (xdg-open without a desktop) split Exec lines at blanks and keep quotes.
QString execArgument(const QString& argument);

} // namespace platform::desktopentry
