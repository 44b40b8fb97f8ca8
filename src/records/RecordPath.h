#pragma once

#include <QString>

// A file name as a command line or a shortcut hands it on: a leading and a trailing double quote
// are dropped, each on its own, so a name quoted only at one end still names the file.
QString WithoutQuotes(QString path);

// A path named relative to the working folder (a command line typed in a terminal) made absolute,
// so the recent files list and every later write mean the same file wherever the program starts.
// An empty or absolute path is returned as it is.
QString AbsoluteRecordPath(const QString& path);
