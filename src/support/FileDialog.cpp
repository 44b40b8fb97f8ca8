#include "support/FileDialog.h"

#include "app/ErrorInfo.h"
#include "app/MessageBox.h"
#include "app/Registry.h"
#include "app/Settings.h"
#include "lang/clsLanguage.h"

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
    } catch (const std::exception& error) {
        ShowFailure(QString::fromLocal8Bit(error.what()));
    }
}

void FileDialog::SetFilterText(int index, const QString& text) {
    if (index < 1 || index > FilterPairs::kCount)
        Raise(ErrorNumber::SubscriptOutOfRange, GetText(QStringLiteral("GEN_MSG_INDEXRANGE")));
    m_filters.texts[index] = text;
}

void FileDialog::SetFilterSuffix(int index, const QString& pattern) {
    if (index < 1 || index > FilterPairs::kCount)
        Raise(ErrorNumber::SubscriptOutOfRange, GetText(QStringLiteral("GEN_MSG_INDEXRANGE")));
    m_filters.suffixes[index] = pattern;
}

void FileDialog::MultiSelectOCXCompatible(bool on) {
    m_compatible = on;
    if (on)
        m_multiSelect = true;
}

QString FileDialog::GetNextFile() {
    try {
        return SplitResult(QString(), false, m_selection, m_fileCount);
    } catch (const RaisedError& error) {
        ShowFailure(error.info().description);
        return QString();
    }
}

FileDialogRequest FileDialog::Request(FileDialogRequest::Kind kind, QWidget* owner, const QString& filterList) const {
    FileDialogRequest request;
    request.kind = kind;
    request.owner = owner;
    request.title = m_title;
    request.nameFilters = NameFilters(filterList);
    request.startFolder = m_startFolder;
    request.defaultFileName = m_defaultFileName;
    request.defaultSuffix = m_defaultExt;
    request.flags = m_flags;
    const DialogBehaviour behaviour = BehaviourOf(m_flags);
    switch (kind) {
    case FileDialogRequest::Kind::Open:
        if (behaviour.multiSelect)
            request.fileMode = QFileDialog::ExistingFiles;
        else if (behaviour.fileMustExist)
            request.fileMode = QFileDialog::ExistingFile;
        break;
    case FileDialogRequest::Kind::Save:
        if (!behaviour.overwritePrompt)
            request.options |= QFileDialog::DontConfirmOverwrite;
        break;
    case FileDialogRequest::Kind::Folder:
        request.fileMode = QFileDialog::Directory;
        request.options |= QFileDialog::ShowDirsOnly;
        break;
    }
    return request;
}

void FileDialog::RememberFolder(const QString& folder) const {
    if (!IsNetworkPath(folder))
        SetRegistryValue(RegistryRoot::CurrentUser, FamilyKeyPath(), kCurrDir, folder, RegistryType::String);
}

void FileDialog::ShowFailure(const QString& description) {
    MessageRequest request;
    request.text = description;
    request.title = ProgramTitle();
    request.buttons = MsgButtons::Ok;
    ShowMessage(request);
}

QString FileDialog::ShowOpen(QWidget* owner, bool savePath) {
    try {
        const QString filterList = BuildFilter(m_filters);
        m_flags = CheckFlags(m_flags, m_multiSelect, QStringLiteral("Open"));
        if (m_title.isEmpty())
            m_title = GetText(QStringLiteral("GEN_FILEDIALOG_OPEN"));
        const QStringList chosen = RunFileDialog(Request(FileDialogRequest::Kind::Open, owner, filterList));
        if (chosen.isEmpty()) {
            m_fileName.clear();
            m_fileCount = 0;
            return QString();
        }
        const QString raw = RawSelection(chosen);
        if (!m_multiSelect) {
            m_fileCount = 1;
            m_fileName = chosen.first();
        } else if (m_compatible) {
            // Folder and names, each with its NUL, as older callers split them themselves.
            m_fileName = raw.left(raw.indexOf(QString(2, QChar(0))) + 1);
        } else {
            m_fileName = SplitResult(raw, true, m_selection, m_fileCount);
        }
        if (savePath)
            RememberFolder(FolderPart(m_fileName));
        return m_fileName;
    } catch (const RaisedError& error) {
        ShowFailure(error.info().description);
    } catch (const std::exception& error) {
        ShowFailure(QString::fromLocal8Bit(error.what()));
    }
    return QString();
}

QString FileDialog::ShowSave(QWidget* owner, bool savePath) {
    try {
        const QString filterList = BuildFilter(m_filters);
        m_flags = CheckFlags(m_flags, m_multiSelect, QStringLiteral("Save"));
        if (m_title.isEmpty())
            m_title = GetText(QStringLiteral("GEN_FILEDIALOG_SAVE"));
        const QStringList chosen = RunFileDialog(Request(FileDialogRequest::Kind::Save, owner, filterList));
        if (chosen.isEmpty()) {
            m_fileName.clear();
            return QString();
        }
        m_fileName = chosen.first();
        if (savePath)
            RememberFolder(FolderPart(m_fileName));
        return m_fileName;
    } catch (const RaisedError& error) {
        ShowFailure(error.info().description);
    } catch (const std::exception& error) {
        ShowFailure(QString::fromLocal8Bit(error.what()));
    }
    return QString();
}

QString FileDialog::ShowFolder(QWidget* owner) {
    try {
        QWidget* parent = owner ? owner : m_owner.data();
        const QStringList chosen = RunFileDialog(Request(FileDialogRequest::Kind::Folder, parent, QString()));
        if (chosen.isEmpty()) {
            m_fileName.clear();
            return QString();
        }
        m_fileName = chosen.first();
        RememberFolder(m_fileName);
        return m_fileName;
    } catch (const RaisedError& error) {
        ShowFailure(error.info().description);
    } catch (const std::exception& error) {
        ShowFailure(QString::fromLocal8Bit(error.what()));
    }
    return QString();
}
