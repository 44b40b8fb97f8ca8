#include "startlist/frmStartListImport.h"

#include "base/MessageBox.h"
#include "lang/clsLanguage.h"
#include "startlist/StartListPreviewModel.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kHeaderRowsOffered = 10;
constexpr int kChoiceTextLength = 60;

const char* const kEncodingKeys[] = {"MKL_SLI_ENC_UTF8",    "MKL_SLI_ENC_UTF16LE", "MKL_SLI_ENC_UTF16BE",
                                     "MKL_SLI_ENC_UTF32LE", "MKL_SLI_ENC_UTF32BE", "MKL_SLI_ENC_WINDOWS1252"};

QString Shortened(const QString& text) {
    return text.size() > kChoiceTextLength ? text.left(kChoiceTextLength - 3) + QStringLiteral("...") : text;
}

// Fills a combo box with (text, value) pairs and selects the value, without telling anyone.
void Fill(QComboBox* box, const QList<QPair<QString, QVariant>>& items, const QVariant& selected) {
    const QSignalBlocker blocker(box);
    box->clear();
    for (const auto& [text, value] : items)
        box->addItem(text, value);
    box->setCurrentIndex(std::max(0, box->findData(selected)));
}

} // namespace

frmStartListImport::frmStartListImport(const QString& path, const QByteArray& bytes, QWidget* parent)
    : QDialog(parent), m_path(path), m_bytes(bytes) {
    setObjectName(QStringLiteral("frmStartListImport"));
    BuildControls();
    SetCaptions();
    Reread();
}

std::optional<StartList> frmStartListImport::Choose(QWidget* owner, const QString& path, const QByteArray& bytes) {
    const QPointer<frmStartListImport> dialog = new frmStartListImport(path, bytes, owner);
    dialog->setWindowModality(Qt::ApplicationModal);
    int result = QDialog::Rejected;
    {
        const ModalScope modal;
        result = dialog->exec();
    }
    if (!dialog)
        return std::nullopt; // gone with its owner meanwhile
    std::optional<StartList> chosen;
    if (result == QDialog::Accepted && !dialog->m_import.list.IsEmpty())
        chosen = dialog->m_import.list;
    delete dialog;
    return chosen;
}

QComboBox* frmStartListImport::AddChoice(int row, int column, const char* objectName, const char* captionKey) {
    auto* label = new QLabel(this);
    auto* box = new QComboBox(this);
    box->setObjectName(QLatin1String(objectName));
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(20);
    label->setBuddy(box);
    m_captions.append({label, captionKey});
    auto* grid = static_cast<QGridLayout*>(layout()->itemAt(1)->layout());
    grid->addWidget(label, row, column);
    grid->addWidget(box, row, column + 1);
    return box;
}

void frmStartListImport::BuildControls() {
    auto* page = new QVBoxLayout(this);
    lblFile = new QLabel(this);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    lblFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    page->addWidget(lblFile);
    auto* grid = new QGridLayout;
    page->addLayout(grid);

    cboEncoding = AddChoice(0, 0, "cboEncoding", "MKL_SLI_ENCODING");
    lblByteOrderMark = new QLabel(this);
    lblByteOrderMark->setObjectName(QStringLiteral("lblByteOrderMark"));
    grid->addWidget(lblByteOrderMark, 0, 2);
    cboDelimiter = AddChoice(1, 0, "cboDelimiter", "MKL_SLI_DELIMITER");
    lblSepLine = new QLabel(this);
    lblSepLine->setObjectName(QStringLiteral("lblSepLine"));
    grid->addWidget(lblSepLine, 1, 2);
    cboHeader = AddChoice(2, 0, "cboHeader", "MKL_SLI_HEADER");
    cboBib = AddChoice(0, 3, "cboBib", "MKL_SLI_BIB");
    cboName = AddChoice(1, 3, "cboName", "MKL_SLI_NAME");
    cboFirstName = AddChoice(2, 3, "cboFirstName", "MKL_SLI_FIRSTNAME");
    cboCategory = AddChoice(3, 3, "cboCategory", "MKL_SLI_CATEGORY");
    cboClub = AddChoice(4, 3, "cboClub", "MKL_SLI_CLUB");
    grid->setColumnStretch(2, 1);

    auto* previewLabel = new QLabel(this);
    tblPreview = new QTableView(this);
    tblPreview->setObjectName(QStringLiteral("tblPreview"));
    tblPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblPreview->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblPreview->setWordWrap(false);
    tblPreview->horizontalHeader()->setDefaultSectionSize(140);
    m_model = new StartListPreviewModel(this);
    tblPreview->setModel(m_model);
    previewLabel->setBuddy(tblPreview);
    m_captions.append({previewLabel, "MKL_SLI_PREVIEW"});
    page->addWidget(previewLabel);
    page->addWidget(tblPreview, 3);

    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    page->addWidget(lblSummary);
    auto* problemsLabel = new QLabel(this);
    lstProblems = new QListWidget(this);
    lstProblems->setObjectName(QStringLiteral("lstProblems"));
    lstProblems->setWordWrap(true);
    problemsLabel->setBuddy(lstProblems);
    m_captions.append({problemsLabel, "MKL_SLI_PROBLEMS"});
    page->addWidget(problemsLabel);
    page->addWidget(lstProblems, 1);

    cmdButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    cmdButtons->setObjectName(QStringLiteral("cmdButtons"));
    page->addWidget(cmdButtons);
    connect(cmdButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(cmdButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // A choice of encoding or delimiter lets the header and the columns be found anew, a choice
    // of header row the columns.
    connect(cboEncoding, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        m_choice = {static_cast<TextEncoding>(cboEncoding->currentData().toInt()), {}, {}, {}};
        Reread();
    });
    connect(cboDelimiter, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        m_choice = {m_choice.encoding, cboDelimiter->currentData().toString().front(), {}, {}};
        Reread();
    });
    connect(cboHeader, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        m_choice = {m_choice.encoding, m_choice.delimiter, cboHeader->currentData().toInt(), {}};
        Reread();
    });
    for (QComboBox* box : {cboBib, cboName, cboFirstName, cboCategory, cboClub})
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &frmStartListImport::ColumnsChosen);
    connect(lstProblems, &QListWidget::currentRowChanged, this, &frmStartListImport::ProblemChosen);
    resize(960, 660);
}

void frmStartListImport::SetCaptions() {
    setWindowTitle(GetText(QStringLiteral("MKL_SLI_CAPTION")));
    lblFile->setText(
        GetText(QStringLiteral("MKL_SLI_FILE"), {{QStringLiteral("[Filename]"), QDir::toNativeSeparators(m_path)}}));
    // A screen reader announces each choice, the table and the list by their label's caption.
    for (const auto& [label, key] : m_captions) {
        label->setText(GetText(QLatin1String(key)));
        label->buddy()->setAccessibleName(label->text().remove(QLatin1Char('&')));
    }
    cmdButtons->button(QDialogButtonBox::Ok)->setText(GetText(QStringLiteral("GEN_BTN_OK")));
    cmdButtons->button(QDialogButtonBox::Cancel)->setText(GetText(QStringLiteral("GEN_BTN_CANCEL")));
}

void frmStartListImport::Reread() {
    m_import = ImportStartList(m_bytes, m_choice);
    ShowChoices();
    m_model->Show(m_import);
    tblPreview->horizontalHeader()->resizeSection(0, 300); // what loads, or why not
    QString summary = CountText(QStringLiteral("MKL_SLI_NAMES"), m_import.list.Count());
    if (m_import.Rejected() > 0)
        summary += QStringLiteral("; ") + CountText(QStringLiteral("MKL_SLI_REJECTED"), m_import.Rejected());
    lblSummary->setText(summary);
    ShowProblems();
    cmdButtons->button(QDialogButtonBox::Ok)->setEnabled(!m_import.list.IsEmpty());
}

void frmStartListImport::ShowChoices() {
    QList<QPair<QString, QVariant>> encodings;
    for (int encoding = 0; encoding < int(std::size(kEncodingKeys)); ++encoding)
        encodings.append({GetText(QLatin1String(kEncodingKeys[encoding])), encoding});
    Fill(cboEncoding, encodings, static_cast<int>(m_import.encoding));
    lblByteOrderMark->setText(
        GetText(m_import.byteOrderMark ? QStringLiteral("MKL_SLI_BOM") : QStringLiteral("MKL_SLI_NOBOM")));

    QList<QPair<QString, QVariant>> delimiters = {{GetText(QStringLiteral("MKL_SLI_COMMA")), QStringLiteral(",")},
                                                  {GetText(QStringLiteral("MKL_SLI_SEMICOLON")), QStringLiteral(";")},
                                                  {GetText(QStringLiteral("MKL_SLI_TAB")), QStringLiteral("\t")}};
    const QString delimiter(m_import.delimiter);
    if (!QStringLiteral(",;\t").contains(delimiter))
        delimiters.append({QLatin1Char('"') + delimiter + QLatin1Char('"'), delimiter});
    Fill(cboDelimiter, delimiters, delimiter);
    lblSepLine->setText(m_import.sepLine ? GetText(QStringLiteral("MKL_SLI_SEPLINE")) : QString());

    QList<QPair<QString, QVariant>> headers = {{GetText(QStringLiteral("MKL_SLI_NOHEADER")), -1}};
    for (int i = 0; i < std::min<int>(kHeaderRowsOffered, m_import.records.size()); ++i)
        headers.append(
            {GetText(QStringLiteral("MKL_SLI_HEADERLINE"),
                     {{QStringLiteral("[line]"), QString::number(m_import.records[i].line)},
                      {QStringLiteral("[text]"), Shortened(m_import.records[i].fields.join(QStringLiteral(", ")))}}),
             i});
    Fill(cboHeader, headers, m_import.header);
    FillColumnChoices();
}

// Each column by its number and its title, or without a header row by its first value.
void frmStartListImport::FillColumnChoices() {
    QList<QPair<QString, QVariant>> columns = {{GetText(QStringLiteral("MKL_SLI_NOCOLUMN")), -1}};
    const int first = m_import.header + 1;
    for (int column = 0; column < m_import.columnCount; ++column) {
        const QString sample = m_import.header >= 0              ? StartListColumnTitle(m_import, column)
                               : first < m_import.records.size() ? m_import.records[first].fields.value(column)
                                                                 : QString();
        columns.append({QString::number(column + 1) + QStringLiteral(": ") + Shortened(sample), column});
    }
    const StartListColumns& chosen = m_import.columns;
    Fill(cboBib, columns, chosen.bib);
    Fill(cboName, columns, chosen.name);
    Fill(cboFirstName, columns, chosen.firstName);
    Fill(cboCategory, columns, chosen.category);
    Fill(cboClub, columns, chosen.club);
}

void frmStartListImport::ShowProblems() {
    lstProblems->clear();
    const int shown = std::min<int>(m_import.problems.size(), kStartListProblemsShown);
    for (int i = 0; i < shown; ++i)
        lstProblems->addItem(StartListProblemText(m_import.problems[i]));
    if (m_import.problems.size() > shown)
        lstProblems->addItem(MoreProblemsText(m_import.problems.size() - shown));
}

void frmStartListImport::ColumnsChosen() {
    StartListColumns columns;
    columns.bib = cboBib->currentData().toInt();
    columns.name = cboName->currentData().toInt();
    columns.firstName = cboFirstName->currentData().toInt();
    columns.category = cboCategory->currentData().toInt();
    columns.club = cboClub->currentData().toInt();
    m_choice.columns = columns;
    Reread();
}

// A problem chosen in the list shows its line in the table.
void frmStartListImport::ProblemChosen(int row) {
    if (row < 0 || row >= std::min<int>(m_import.problems.size(), kStartListProblemsShown))
        return;
    const qint32 line = m_import.problems[row].line;
    const auto record = std::partition_point(m_import.records.begin(), m_import.records.end(),
                                             [line](const CsvRecord& r) { return r.line < line; });
    if (record == m_import.records.end())
        return;
    const QModelIndex index = m_model->index(static_cast<int>(record - m_import.records.begin()), 0);
    tblPreview->scrollTo(index);
    tblPreview->selectRow(index.row());
}
