#pragma once

#include <QString>

// A file shipped with the program ("sound.wav", "stn.ico", the user guide): beside the executable
// first (a portable folder), else in the installed data folder (share/marklog). When it is found
// nowhere, the path beside the executable is returned.
QString DataFilePath(const QString& name);

// True for a program installed with its desktop entry (a package in /usr): its folder belongs to
// the system, even when the user (root) could write to it.
bool InstalledSystemWide();

// Where the program keeps files of its own (the log, dated copies): beside the executable for a
// portable folder that may be written, otherwise the user's application data folder (created on
// demand).
QString OwnFilesFolder();
