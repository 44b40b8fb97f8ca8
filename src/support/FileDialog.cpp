#include "support/FileDialog.h"

#include "base/ErrorHandler.h"
#include "base/Registry.h"
#include "base/Settings.h"
#include "support/FileFilter.h"

#include <QDir>

namespace {

const QString kCurrDir = QStringLiteral("CurrDir");

} // namespace

FileDialog::FileDialog() {
    m_startFolder = QDir::toNativeSeparators(QDir::currentPath());
    try {
        const QString remembered = GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), kCurrDir).toString();
        // A network folder may be gone by now; waiting for it would stall the dialog.
        if (!remembered.isEmpty() && !IsNetworkPath(remembered))
            m_startFolder = remembered;
    } catch (const RaisedError& error) {
        LogError(error.info()); // the dialog still opens, in the current folder
    }
}

QString FileDialog::ShowOpen(QWidget* owner) {
    return Show(FileDialogRequest::Kind::Open, owner);
}

QString FileDialog::ShowSave(QWidget* owner) {
    return Show(FileDialogRequest::Kind::Save, owner);
}

// A failure of the dialog itself raises, for the command that asked to report; only remembering
// the folder may fail without spoiling the choice.
QString FileDialog::Show(FileDialogRequest::Kind kind, QWidget* owner) {
    m_fileName.clear();
    FileDialogRequest request;
    request.kind = kind;
    request.owner = owner;
    request.title = m_title;
    request.nameFilters = QStringList{NameFilter(m_filterText, m_filterPatterns)};
    if (!m_filter2Patterns.isEmpty())
        request.nameFilters << NameFilter(m_filter2Text, m_filter2Patterns);
    request.startFolder = m_startFolder;
    request.defaultSuffix = m_defaultExt;
    request.suggestedName = m_suggestedName;
    const QStringList chosen = RunFileDialog(request);
    if (chosen.isEmpty())
        return QString();
    m_fileName = chosen.first();
    const QString folder = FolderPart(m_fileName);
    try {
        if (!IsNetworkPath(folder))
            SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), kCurrDir, folder, RegistryType::String);
    } catch (const RaisedError& error) {
        LogError(error.info());
    }
    return m_fileName;
}
