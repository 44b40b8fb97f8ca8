#pragma once

#include "startlist/BackupComparison.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTableView;
class BackupDifferencesModel;

// The differences between the open record file and a backup recording of the same passages, one
// row each (position and bib on both sides, empty where a side has no record), and a command that
// takes the backup's side of the chosen difference into the open file. After each the comparison
// is made afresh from the records as they are then.
class frmBackupComparison : public QDialog {
    Q_OBJECT
public:
    // The open file's bibs as they are now; adopting makes the correction in the open file.
    using Primary = std::function<QVector<qint32>()>;
    using Adopt = std::function<void(const BackupAdoption&)>;

    frmBackupComparison(const QString& backupFile, QVector<qint32> backup, Primary primary, Adopt adopt,
                        QWidget* parent = nullptr);

    // Shows the comparison modal until the operator closes it.
    static void Compare(QWidget* owner, const QString& backupFile, QVector<qint32> backup, Primary primary,
                        Adopt adopt);

private:
    void Refresh(int chosenRow);
    void AdoptChosen();

    const QString m_backupFile;
    const QVector<qint32> m_backup;
    Primary m_primary;
    Adopt m_adopt;
    QVector<BackupDifference> m_differences;
    qsizetype m_primaryCount = 0;

    QLabel* lblSummary = nullptr;
    QTableView* tblDifferences = nullptr;
    BackupDifferencesModel* m_model = nullptr;
    QPushButton* cmdAdopt = nullptr;
};
