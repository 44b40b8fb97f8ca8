#pragma once

#include "startlist/StartListImport.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QListWidget;
class QTableView;
class StartListPreviewModel;

// The preview of a start list file before it is loaded: the file as a table, the encoding,
// delimiter, header row and columns found in it, each of which the operator can choose
// otherwise and see the effect at once, and the lines that do not load. OK loads, Cancel leaves
// everything as it was.
class frmStartListImport : public QDialog {
    Q_OBJECT
public:
    frmStartListImport(const QString& path, const QByteArray& bytes, QWidget* parent = nullptr);

    // Shows the preview of the file's bytes modal; the list to load when the operator leaves it
    // with OK, none on Cancel.
    static std::optional<StartList> Choose(QWidget* owner, const QString& path, const QByteArray& bytes);

private:
    void BuildControls();
    void SetCaptions();
    QComboBox* AddChoice(int row, int column, const char* objectName, const char* captionKey);
    void Reread();
    void ShowChoices();
    void FillColumnChoices();
    void ShowProblems();
    void ColumnsChosen();
    void ProblemChosen(int row);

    const QString m_path;
    const QByteArray m_bytes;
    StartListImportChoice m_choice;
    StartListImport m_import;

    QLabel* lblFile = nullptr;
    QComboBox* cboEncoding = nullptr;
    QLabel* lblByteOrderMark = nullptr;
    QComboBox* cboDelimiter = nullptr;
    QLabel* lblSepLine = nullptr;
    QComboBox* cboHeader = nullptr;
    QComboBox* cboBib = nullptr;
    QComboBox* cboName = nullptr;
    QComboBox* cboFirstName = nullptr;
    QComboBox* cboCategory = nullptr;
    QComboBox* cboClub = nullptr;
    QTableView* tblPreview = nullptr;
    StartListPreviewModel* m_model = nullptr;
    QLabel* lblSummary = nullptr;
    QListWidget* lstProblems = nullptr;
    QDialogButtonBox* cmdButtons = nullptr;
    QList<QPair<QLabel*, const char*>> m_captions; // labels and their language keys
};
