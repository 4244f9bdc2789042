#pragma once

#include <QString>

// The folder the four data files are read from. The program's own folder
// when the music lies there: the build tree, a copy moved with its files, an
// install that keeps them together. Otherwise `installed`, the folder a
// packager chose for them, when there is one; a missing file then only makes
// the game silent, as it would beside the program.
QString dataFolder(const QString& programFolder, const QString& installed);

// The same, with the folder fixed when the program was built (empty when the
// data files are installed beside the program).
QString dataFolder(const QString& programFolder);
