#pragma once

#include <QString>

namespace nomispot {

// The help file of the given kind in dataDir; kind 1 is the program's help, the only one.
// Any other kind gives an empty path.
QString HelpFilePath(int kind, const QString& dataDir);

// The help engine's collection file: in the user's data folder (userDataDir), since the
// program's own directory may be read-only.
QString helpCollectionPath();

} // namespace nomispot
