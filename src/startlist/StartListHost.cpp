#include "startlist/StartListHost.h"

#include "base/ErrorInfo.h"
#include "base/MessageBox.h"
#include "base/NumericValue.h"
#include "lang/clsLanguage.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/TimesSidecar.h"
#include "records/clsFile.h"
#include "startlist/ResultsCsv.h"
#include "startlist/StartListFile.h"
#include "support/FileDialog.h"

#include <QDir>

namespace {

QString AskPath(QWidget* owner, const char* titleKey, bool open) {
    FileDialog dialog;
    dialog.DialogTitle(GetText(QLatin1String(titleKey)));
    dialog.Filter1Suffix(QStringLiteral("*.csv"));
    dialog.Filter1Text(GetText(QStringLiteral("MKL_FILETYPE_CSV")) + QStringLiteral(" (*.csv)"));
    dialog.Filter2(GetText(QStringLiteral("MKL_FILETYPE_TEXT")) + QStringLiteral(" (*.txt)"), QStringLiteral("*.txt"));
    dialog.DefaultExt(QStringLiteral("csv"));
    return open ? dialog.ShowOpen(owner) : dialog.ShowSave(owner);
}

// The bad lines, one a line.
QString ProblemLines(const QVector<StartListProblem>& problems) {
    QStringList lines;
    for (const StartListProblem& problem : problems)
        lines << StartListProblemText(problem);
    return lines.join(QLatin1Char('\n'));
}

QPair<QString, QString> FileNameOf(const QString& path) {
    return {QStringLiteral("[Filename]"), QDir::toNativeSeparators(path)};
}

QList<QPair<QString, QString>> CountOf(const StartList& list) {
    return {{QStringLiteral("[count]"), QString::number(list.Count())}};
}

QString NotListedText(qint32 bib) {
    return GetText(QStringLiteral("MKL_MSG_NOTLISTED"), {{QStringLiteral("[bib]"), QString::number(bib)}});
}

} // namespace

StartListHost::StartListHost(const clsFile& records, QWidget* window)
    : QObject(window), m_records(records), m_window(window) {}

void StartListHost::LoadForFile() {
    m_list = StartList();
    if (!m_records.FileName().isEmpty()) {
        try {
            m_list = ReadStartListFor(m_records.FileName()).list;
            if (!m_list.IsEmpty())
                emit State(QStringLiteral("MKL_SB_STARTLIST"), CountOf(m_list));
        } catch (const RaisedError& error) {
            emit State(QStringLiteral("MKL_SB_STARTLISTFAILED"),
                       {{QStringLiteral("[reason]"), error.info().description}});
        }
    }
    emit Changed();
}

void StartListHost::Choose() {
    const QString path = AskPath(m_window, "GEN_FILEDIALOG_OPEN", true);
    if (path.isEmpty() || m_records.FileName().isEmpty())
        return;
    const StartListRead read = ParseStartList(ReadWholeFile(path));
    const QString caption = GetText(QStringLiteral("MKL_MAIN_CAPTION"));
    if (read.list.IsEmpty()) {
        const QString text = GetText(QStringLiteral("MKL_MSG_STARTLISTEMPTY"), {FileNameOf(path)});
        ShowMessage({read.problems.isEmpty() ? text : text + QStringLiteral("\n\n") + ProblemLines(read.problems),
                     caption, MsgIcon::Exclamation, MsgButtons::Ok});
        return;
    }
    SaveStartListFor(m_records.FileName(), read.list);
    m_list = read.list;
    emit Changed();
    emit State(QStringLiteral("MKL_SB_STARTLIST"), CountOf(m_list));
    if (!read.problems.isEmpty()) {
        const QString text = GetText(QStringLiteral("MKL_MSG_STARTLISTBAD"),
                                     {FileNameOf(path),
                                      {QStringLiteral("[count]"), QString::number(read.problems.size())},
                                      {QStringLiteral("[loaded]"), QString::number(m_list.Count())}});
        ShowMessage({text + QStringLiteral("\n\n") + ProblemLines(read.problems), caption, MsgIcon::Exclamation,
                     MsgButtons::Ok});
    }
}

void StartListHost::Remove() {
    if (m_list.IsEmpty() ||
        ShowMessage({GetText(QStringLiteral("MKL_MSG_STARTLISTREMOVE")), GetText(QStringLiteral("MKL_MAIN_CAPTION")),
                     MsgIcon::Question, MsgButtons::YesNo}) != MsgAnswer::Yes)
        return;
    RemoveStartListFor(m_records.FileName());
    m_list = StartList();
    emit Changed();
}

void StartListHost::ExportResults() {
    const QString target = AskPath(m_window, "GEN_FILEDIALOG_SAVE", false);
    const QString records = m_records.FileName();
    if (target.isEmpty() || IsSameFile(target, records) || IsSameFile(target, StartListPath(records)) ||
        IsSameFile(target, TimesSidecar::PathFor(records)))
        return;
    ReplaceDurably(target, ResultsCsvOf(m_records, m_list));
}

std::function<QString(qint32)> StartListHost::NameLookup() const {
    if (m_list.IsEmpty())
        return {};
    return [this](qint32 bib) { return m_list.Name(bib); };
}

GridModel::BibWarning StartListHost::BibWarning() const {
    if (m_list.IsEmpty())
        return {};
    return [this](qint32 bib) { return bib > 0 && m_list.IsUnknown(bib) ? NotListedText(bib) : QString(); };
}

std::optional<GridModel::ExtraColumn> StartListHost::NameColumn() const {
    if (m_list.IsEmpty())
        return std::nullopt;
    const QString notListed = GetText(QStringLiteral("MKL_GRID_NOTLISTED"));
    return GridModel::ExtraColumn{GetText(QStringLiteral("MKL_GRID_NAME")),
                                  [this, notListed](int, qint32 bib) {
                                      const StartListEntry* entry = m_list.Find(bib);
                                      return entry ? entry->name : bib > 0 ? notListed : QString();
                                  },
                                  QString()};
}

QString StartListHost::NotListedHint(const QString& typed) const {
    qint32 bib = 0;
    try {
        bib = WholeNumberValue(typed);
    } catch (const RaisedError&) {
        bib = 0; // too large for a bib: Enter reports it
    }
    return bib > 0 && m_list.IsUnknown(bib) ? NotListedText(bib) : QString();
}
