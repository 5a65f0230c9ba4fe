#pragma once

#include "ProgramFolder.h"

#include <QString>
#include <QStringList>

#include <optional>

// The small decisions of start-up, kept apart from the window so tests reach them.
namespace app {

inline constexpr const char* ProductWord = "Quorvex ";
inline constexpr const char* VersionText = QUORVEX_VERSION_TEXT;
inline constexpr int ToneFileCount = 12;

// Product word and version: the window's caption.
QString programName();

// The settings file in the program's folder, with exactly one separator before it.
QString settingsFilePath(const QString& folder);

// True only for the one argument "-dtmf", spelt exactly so, with nothing else.
bool isDtmfSwitch(const QStringList& argumentsAfterProgram);

using platform::FileExist;

// The DTMF tone file i: sounds/<i>.wav in the given folder.
QString toneFilePath(const QString& folder, int i);

// The number of the first of the twelve tone files that is missing, if any.
std::optional<int> firstMissingToneFile(const QString& folder);

QString dtmfMissingMessage(int toneNumber);

} // namespace app
