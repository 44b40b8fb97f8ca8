#pragma once

#include <QString>
#include <QStringList>
#include <array>

// The pure parts of the file dialog: its NUL-separated filter list, its flags and how they map onto
// dialog behaviour, and the raw multi-selection text with folder and names.

// Dialog flags as the family's programs store and combine them.
namespace DialogFlag {
constexpr quint32 OverwritePrompt = 0x2;
constexpr quint32 HideReadOnly = 0x4;
constexpr quint32 AllowMultiSelect = 0x200;
constexpr quint32 PathMustExist = 0x800;
constexpr quint32 FileMustExist = 0x1000;
constexpr quint32 Explorer = 0x80000;
} // namespace DialogFlag

// Up to twelve text/pattern pairs (index 1 to 12; 0 is unused) and a custom list in front of them.
struct FilterPairs {
    static constexpr int kCount = 12;
    std::array<QString, kCount + 1> texts;
    std::array<QString, kCount + 1> suffixes;
    QString custom;
};

// The value kept for a custom filter list: two NULs are appended unless a value of at least two
// characters already ends with two NULs.
QString CustomFilterValue(const QString& value);

// The filter list: the custom list (its trailing NULs removed, also in `filters`) and one NUL, then
// every pair with both members set as text, NUL, pattern, NUL; "All files" (GEN_FILETYPE_ALL)/"*.*" when that is
// empty; and two closing NULs.
QString BuildFilter(FilterPairs& filters);

// The filter list as name filters of the form "Text (*.a *.b)". A text that already ends with its
// patterns in parentheses is taken as it is.
QStringList NameFilters(const QString& filterList);

// The flags a dialog uses: flags 0 are chosen by the intention ("Open" or "Save"); set flags get
// explorer style and multi-select added when multi-select is on. An unknown intention shows a
// message box and leaves flags 0.
quint32 CheckFlags(quint32 flags, bool multiSelect, const QString& intention);

// What the flags ask of a dialog that has no flags of its own.
struct DialogBehaviour {
    bool fileMustExist = false;
    bool overwritePrompt = false;
    bool multiSelect = false;
};
DialogBehaviour BehaviourOf(quint32 flags);

// A path beginning with two separators ("\\server\share" or "//server/share") is on the network.
bool IsNetworkPath(const QString& path);

// The path up to and including its last separator; empty when it has none.
QString FolderPart(const QString& path);

// The dialog's raw result for chosen paths: one path as the path and two NULs; several as their
// common folder, NUL, each name followed by a NUL, and a closing NUL. Empty for none (a cancel).
QString RawSelection(const QStringList& paths);

// The folder of a multi-selection and the names not yet handed out.
struct MultiSelection {
    QString folder;
    QString names;
};

// Counts the NUL-terminated names at the start of a list, up to the first empty one.
int CountNames(const QString& list);

// Splits a raw result into paths. The first call returns the only or the first path and sets the
// file count; each later call returns the next path, or empty text after the last.
QString SplitResult(const QString& raw, bool firstCall, MultiSelection& state, qint16& fileCount);
