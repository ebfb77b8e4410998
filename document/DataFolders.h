// The folders the program brings with it (help, Textures/Galaxy, Library), found from the
// executable, so that a program in the build tree and an installed one (moved anywhere
// with its prefix) both find their own.
#pragma once

#include <QString>

// The folder name (e.g. "help") beside the executable, as in the build tree, or else in
// the install tree's data folder (bin/../share/skyloom/name); the one beside the
// executable when neither exists. Empty without an application object.
QString ProgramDataFolder(const QString& name);
