#include "startlist/frmBackupComparison.h"

#include "base/MessageBox.h"
#include "lang/clsLanguage.h"

#include <QAbstractTableModel>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

// The differences as a table: primary position, backup position, primary bib, backup bib.
class BackupDifferencesModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void Show(const QVector<BackupDifference>& differences) {
        beginResetModel();
        m_differences = differences;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(m_differences.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : 4; }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override {
        if (role == Qt::TextAlignmentRole)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const BackupDifference& difference = m_differences[index.row()];
        const bool primary = index.column() % 2 == 0;
        if ((primary ? difference.primaryPosition : difference.backupPosition) == 0)
            return QString(); // no record on that side
        const qint32 value = index.column() < 2 ? (primary ? difference.primaryPosition : difference.backupPosition)
                                                : (primary ? difference.primaryBib : difference.backupBib);
        return QString::number(value);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override {
        static const char* const keys[] = {"MKL_CMP_PRIMARYPOSITION", "MKL_CMP_BACKUPPOSITION", "MKL_CMP_PRIMARYBIB",
                                           "MKL_CMP_BACKUPBIB"};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 3)
            return QAbstractTableModel::headerData(section, orientation, role);
        return GetText(QLatin1String(keys[section]));
    }

private:
    QVector<BackupDifference> m_differences;
};

frmBackupComparison::frmBackupComparison(const QString& backupFile, QVector<qint32> backup, Primary primary,
                                         Adopt adopt, QWidget* parent)
    : QDialog(parent), m_backupFile(backupFile), m_backup(std::move(backup)), m_primary(std::move(primary)),
      m_adopt(std::move(adopt)) {
    setObjectName(QStringLiteral("frmBackupComparison"));
    setWindowTitle(GetText(QStringLiteral("MKL_CMP_CAPTION")));
    auto* page = new QVBoxLayout(this);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    page->addWidget(lblSummary);
    tblDifferences = new QTableView(this);
    tblDifferences->setObjectName(QStringLiteral("tblDifferences"));
    tblDifferences->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblDifferences->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblDifferences->setSelectionMode(QAbstractItemView::SingleSelection);
    tblDifferences->verticalHeader()->hide();
    tblDifferences->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_model = new BackupDifferencesModel(this);
    tblDifferences->setModel(m_model);
    page->addWidget(tblDifferences);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    cmdAdopt = buttons->addButton(GetText(QStringLiteral("MKL_CMP_ADOPT")), QDialogButtonBox::ActionRole);
    cmdAdopt->setObjectName(QStringLiteral("cmdAdopt"));
    cmdAdopt->setAutoDefault(false); // Enter never changes the records
    buttons->button(QDialogButtonBox::Close)->setText(GetText(QStringLiteral("MKL_CMP_CLOSE")));
    page->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cmdAdopt, &QPushButton::clicked, this, &frmBackupComparison::AdoptChosen);
    resize(560, 420);
    Refresh(0);
}

void frmBackupComparison::Compare(QWidget* owner, const QString& backupFile, QVector<qint32> backup, Primary primary,
                                  Adopt adopt) {
    const QPointer<frmBackupComparison> dialog =
        new frmBackupComparison(backupFile, std::move(backup), std::move(primary), std::move(adopt), owner);
    dialog->setWindowModality(Qt::ApplicationModal);
    {
        const ModalScope modal;
        dialog->exec();
    }
    delete dialog; // nothing when it went with its owner meanwhile
}

// The comparison made afresh; the row chosen before (the difference after an adopted one) stays chosen.
void frmBackupComparison::Refresh(int chosenRow) {
    const QVector<qint32> primary = m_primary();
    m_primaryCount = primary.size();
    m_differences = CompareWithBackup(primary, m_backup);
    m_model->Show(m_differences);
    const qsizetype count = m_differences.size();
    const QList<QPair<QString, QString>> values{{QStringLiteral("[count]"), QString::number(count)},
                                                {QStringLiteral("[backup]"), QDir::toNativeSeparators(m_backupFile)},
                                                {QStringLiteral("[primarycount]"), QString::number(m_primaryCount)},
                                                {QStringLiteral("[backupcount]"), QString::number(m_backup.size())}};
    lblSummary->setText(GetText(count == 0   ? QStringLiteral("MKL_CMP_AGREE")
                                : count == 1 ? QStringLiteral("MKL_CMP_SUMMARY_ONE")
                                             : QStringLiteral("MKL_CMP_SUMMARY"),
                                values));
    cmdAdopt->setEnabled(count > 0);
    if (count > 0)
        tblDifferences->selectRow(int(std::min<qsizetype>(chosenRow, count - 1)));
}

void frmBackupComparison::AdoptChosen() {
    const QModelIndex chosen = tblDifferences->currentIndex();
    if (!chosen.isValid() || chosen.row() >= m_differences.size())
        return;
    m_adopt(AdoptionOf(m_differences, chosen.row()));
    Refresh(chosen.row());
    tblDifferences->setFocus();
}
