#pragma once

#include <QString>

// Whether two spellings of a file name mean the same file follows the file system's rules:
// Windows and macOS ignore the letter case of names, Linux and other Unix systems do not.
enum class FileNamePlatform { Windows, MacOS, Unix };

#if defined(Q_OS_WIN)
constexpr FileNamePlatform kThisFileNamePlatform = FileNamePlatform::Windows;
#elif defined(Q_OS_MACOS)
constexpr FileNamePlatform kThisFileNamePlatform = FileNamePlatform::MacOS;
#else
constexpr FileNamePlatform kThisFileNamePlatform = FileNamePlatform::Unix;
#endif

Qt::CaseSensitivity FileNameCase(FileNamePlatform platform = kThisFileNamePlatform);

// True when the two names are spelt alike under the platform's rule (no file system access).
bool SameFileName(const QString& a, const QString& b, FileNamePlatform platform = kThisFileNamePlatform);
