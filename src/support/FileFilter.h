#pragma once

#include <QString>

// The pure parts of the file dialog: its name filter and which chosen folder it may remember.

// The name filter "Text (*.a *.b)" for a text and its ";"-separated patterns. A text that already
// ends with its patterns in parentheses is taken as it is.
QString NameFilter(const QString& text, const QString& patterns);

// A path beginning with two separators ("\\server\share" or "//server/share") is on the network.
bool IsNetworkPath(const QString& path);

// The path up to and including its last separator; empty when it has none.
QString FolderPart(const QString& path);
