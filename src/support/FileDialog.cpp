#include "support/FileDialog.h"

#include "base/ErrorInfo.h"
#include "base/MessageBox.h"
#include "base/Registry.h"
#include "base/Settings.h"
#include "support/FileFilter.h"

#include <QDir>
#include <exception>

namespace {

const QString kCurrDir = QStringLiteral("CurrDir");

} // namespace

FileDialog::FileDialog() {
    try {
        const QString remembered = GetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), kCurrDir).toString();
        // A network folder may be gone by now; waiting for it would stall the dialog.
        m_startFolder = remembered.isEmpty() || IsNetworkPath(remembered)
                            ? QDir::toNativeSeparators(QDir::currentPath())
                            : remembered;
    } catch (const RaisedError& error) {
        ShowFailure(error.info().description);
    }
}

void FileDialog::ShowFailure(const QString& description) {
    MessageRequest request;
    request.text = description;
    request.title = ProgramTitle();
    request.buttons = MsgButtons::Ok;
    ShowMessage(request);
}

QString FileDialog::ShowOpen(QWidget* owner) {
    return Show(FileDialogRequest::Kind::Open, owner);
}

QString FileDialog::ShowSave(QWidget* owner) {
    return Show(FileDialogRequest::Kind::Save, owner);
}

QString FileDialog::Show(FileDialogRequest::Kind kind, QWidget* owner) {
    m_fileName.clear();
    try {
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
        if (!IsNetworkPath(folder))
            SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), kCurrDir, folder, RegistryType::String);
    } catch (const RaisedError& error) {
        ShowFailure(error.info().description);
    } catch (const std::exception& error) {
        ShowFailure(QString::fromLocal8Bit(error.what()));
    }
    return m_fileName;
}
