#pragma once

#include <QString>

// The characters that separate folders on this platform: "\" and "/" on Windows, "/" elsewhere.
QString PathSeparators();

// Shortens a long path for a window caption: a path of 36 characters or more becomes its head
// (drive and separator, the two separators of a network path, or the root separator of a path
// without a drive), "..." and its last folders and file name, keeping about the last 28 characters.
// Shorter paths, and paths without any separator, are returned unchanged.
QString ShortenPath(const QString& path);

// The same with the given separator characters (tests use "\" to shorten Windows paths anywhere).
QString ShortenPath(const QString& path, const QString& separators);
