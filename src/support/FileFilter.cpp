#include "support/FileFilter.h"

#include "app/MessageBox.h"
#include "lang/clsLanguage.h"
#include "support/ShortenPath.h"

#include <QDir>

namespace {

const QChar kNul(0);

bool IsSeparator(QChar c) {
    return PathSeparators().contains(c);
}

QString WithoutTrailingSeparator(QString folder) {
    if (!folder.isEmpty() && IsSeparator(folder.back()))
        folder.chop(1);
    return folder;
}

// Takes the text before the next NUL off the front of a name list; false when the list holds no NUL.
bool TakeName(QString& names, QString& name) {
    const qsizetype end = names.indexOf(kNul);
    if (end < 0)
        return false;
    name = names.left(end);
    names.remove(0, end + 1);
    return true;
}

} // namespace

QString CustomFilterValue(const QString& value) {
    if (value.size() >= 2 && value.endsWith(QString(2, kNul)))
        return value;
    return value + QString(2, kNul);
}

QString BuildFilter(FilterPairs& filters) {
    QString list;
    for (int i = 1; i <= FilterPairs::kCount; ++i) {
        if (!filters.texts[i].isEmpty() && !filters.suffixes[i].isEmpty())
            list += filters.texts[i] + kNul + filters.suffixes[i] + kNul;
    }
    if (!filters.custom.isEmpty()) {
        while (filters.custom.endsWith(kNul))
            filters.custom.chop(1);
        list.prepend(filters.custom + kNul);
    }
    if (list.isEmpty())
        list = GetText(QStringLiteral("GEN_FILETYPE_ALL")) + kNul + QStringLiteral("*.*");
    return list + kNul + kNul;
}

QStringList NameFilters(const QString& filterList) {
    QStringList result;
    const QStringList parts = filterList.split(kNul);
    // The list ends at the first empty member, as the platform dialog reads it.
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty() && !parts[i + 1].isEmpty(); i += 2) {
        const QString text = parts[i];
        const QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        const bool labelled =
            text.endsWith(QStringLiteral(" (") + patterns + QLatin1Char(')'), Qt::CaseInsensitive) ||
            text.endsWith(QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')'), Qt::CaseInsensitive);
        result << (labelled ? text : text + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return result;
}

quint32 CheckFlags(quint32 flags, bool multiSelect, const QString& intention) {
    using namespace DialogFlag;
    if (flags != 0)
        return multiSelect ? flags | Explorer | AllowMultiSelect : flags;
    if (intention == QLatin1String("Open")) {
        const quint32 open = FileMustExist | PathMustExist | HideReadOnly;
        return multiSelect ? open | Explorer | AllowMultiSelect : open;
    }
    if (intention == QLatin1String("Save"))
        return PathMustExist | OverwritePrompt | HideReadOnly;
    MessageRequest request;
    request.text = QStringLiteral("Unbekannte Intention: ") + intention;
    request.title = QStringLiteral("CheckFlags");
    request.icon = MsgIcon::Critical;
    request.buttons = MsgButtons::Ok;
    ShowMessage(request);
    return 0;
}

DialogBehaviour BehaviourOf(quint32 flags) {
    DialogBehaviour behaviour;
    behaviour.fileMustExist = (flags & DialogFlag::FileMustExist) != 0;
    behaviour.overwritePrompt = (flags & DialogFlag::OverwritePrompt) != 0;
    behaviour.multiSelect = (flags & DialogFlag::AllowMultiSelect) != 0;
    return behaviour;
}

bool IsNetworkPath(const QString& path) {
    return path.startsWith(QLatin1String("\\\\")) || path.startsWith(QLatin1String("//"));
}

QString FolderPart(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (IsSeparator(path[i]))
            return path.left(i + 1);
    }
    return QString();
}

QString RawSelection(const QStringList& paths) {
    if (paths.isEmpty())
        return QString();
    if (paths.size() == 1)
        return paths.first() + kNul + kNul;
    // The dialog hands back names within one folder; paths from several folders are named
    // relative to the folder they share.
    QString common = FolderPart(paths.first());
    auto coversAll = [&paths](const QString& folder) {
        for (const QString& path : paths) {
            if (!path.startsWith(folder))
                return false;
        }
        return true;
    };
    while (!common.isEmpty() && !coversAll(common))
        common = FolderPart(common.left(common.size() - 1));
    // A root folder ("/" or "C:\") keeps its separator, as the platform dialog gives it.
    const bool root = common.size() == 1 || (common.size() == 3 && common[1] == QLatin1Char(':'));
    QString raw = (root ? common : WithoutTrailingSeparator(common)) + kNul;
    for (const QString& path : paths)
        raw += path.mid(common.size()) + kNul;
    return raw + kNul;
}

int CountNames(const QString& list) {
    int count = 0;
    QString names = list;
    QString name;
    while (TakeName(names, name) && !name.isEmpty())
        ++count;
    return count;
}

QString SplitResult(const QString& raw, bool firstCall, MultiSelection& state, qint16& fileCount) {
    QString name;
    if (firstCall) {
        const qsizetype end = raw.indexOf(kNul);
        if (end < 0 || end + 1 >= raw.size() || raw[end + 1] == kNul) {
            state = MultiSelection();
            fileCount = 1;
            return end < 0 ? raw : raw.left(end);
        }
        state.folder = WithoutTrailingSeparator(raw.left(end));
        state.names = raw.mid(end + 1);
        fileCount = static_cast<qint16>(CountNames(state.names));
    }
    // An empty name is the list's end: past the last path nothing more is handed out.
    if (!TakeName(state.names, name) || name.isEmpty())
        return QString();
    return state.folder + QDir::separator() + name;
}
