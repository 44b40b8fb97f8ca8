#pragma once

#include <QString>

// A file shipped with the program ("sound.wav", "stn.ico", the user guide): beside the executable
// first (a portable folder), else in the installed data folder (share/marklog). When it is found
// nowhere, the path beside the executable is returned.
QString DataFilePath(const QString& name);
