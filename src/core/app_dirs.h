#pragma once

#include <QString>
#include <QStringList>

namespace nomispot {

// Where the program's files are, found from the folder of the running program, so that a build
// tree and an installed tree (bin/ beside share/nomispot/ and the library folder) both work.

inline constexpr auto kDataDirEnv = "NOMISPOT_DATA_DIR";

// The folder of the data files (nspot.dll, the help file): NOMISPOT_DATA_DIR when set, else the
// installed share/nomispot beside programDir when it holds the data file, else programDir.
QString appDataDir(const QString& programDir);

// The folder of the help window library: the installed one beside programDir when there is one,
// else programDir.
QString helpLibraryDir(const QString& programDir);

// The folder of the files the user keeps, one for the window and nomispot-check alike:
// ~/.local/share/nomispot. Empty when the system has no such place.
QString userDataDir();

// The folder of what the programs can make again (zone file indexes): ~/.cache/nomispot, or
// under XDG_CACHE_HOME when that is set. Empty when the system has no such place.
QString userCacheDir();

// The folders where earlier versions kept them, each program its own (read, never written).
QStringList formerUserDataDirs();

} // namespace nomispot
