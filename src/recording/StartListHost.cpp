#include "recording/StartListHost.h"

#include "base/ErrorInfo.h"
#include "base/MessageBox.h"
#include "base/NumericValue.h"
#include "lang/clsLanguage.h"
#include "records/DurableFile.h"
#include "records/FileHelpers.h"
#include "records/clsFile.h"
#include "results/RaceFiles.h"
#include "startlist/PassagesCsv.h"
#include "startlist/StartListFile.h"
#include "startlist/frmStartListImport.h"
#include "support/FileDialog.h"

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

QList<QPair<QString, QString>> CountOf(const StartList& list) {
    return {{QStringLiteral("[count]"), QString::number(list.Count())}};
}

// "Start list: 1 name", "Start list: 2 names".
QString CountKey(const StartList& list) {
    return list.Count() == 1 ? QStringLiteral("MKL_SB_STARTLIST_ONE") : QStringLiteral("MKL_SB_STARTLIST");
}

QString NotListedText(qint32 bib) {
    return GetText(QStringLiteral("MKL_MSG_NOTLISTED"), {{QStringLiteral("[bib]"), QString::number(bib)}});
}

} // namespace

StartListHost::StartListHost(const clsFile& records, QWidget* window, WithoutCatching withoutCatching)
    : QObject(window), m_records(records), m_window(window), m_withoutCatching(std::move(withoutCatching)) {}

void StartListHost::LoadForFile() {
    m_list = StartList();
    if (!m_records.FileName().isEmpty()) {
        try {
            m_list = ReadStartListFor(m_records.FileName()).list;
            if (!m_list.IsEmpty())
                emit State(CountKey(m_list), CountOf(m_list));
        } catch (const RaisedError& error) {
            emit State(QStringLiteral("MKL_SB_STARTLISTFAILED"),
                       {{QStringLiteral("[reason]"), error.info().description}});
        }
    }
    emit Changed();
}

void StartListHost::Choose() {
    const QString path = AskPath(m_window, "MKL_FILEDIALOG_STARTLIST", true);
    if (path.isEmpty() || m_records.FileName().isEmpty())
        return;
    const QByteArray bytes = ReadWholeFile(path);
    std::optional<StartList> chosen;
    m_withoutCatching([&] { chosen = frmStartListImport::Choose(m_window, path, bytes); });
    if (!chosen)
        return;
    SaveStartListFor(m_records.FileName(), *chosen);
    m_list = *chosen;
    emit Changed();
    emit State(CountKey(m_list), CountOf(m_list));
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

void StartListHost::ExportPassages() {
    const QString target = AskPath(m_window, "GEN_FILEDIALOG_SAVE", false);
    if (target.isEmpty() || IsRecordFileOrBeside(target, m_records.FileName()))
        return;
    ReplaceDurably(target, PassagesCsvOf(m_records, m_list));
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
