#include "results/frmRaceSetup.h"

#include "base/AccessibleNames.h"
#include "base/Clock.h"
#include "base/MessageBox.h"
#include "lang/clsLanguage.h"
#include "records/TimesSidecar.h"
#include "results/RaceTimeText.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString StartText(const QDateTime& start) {
    return start.isValid() ? QString::fromLatin1(TimesSidecar::FormatTime(start)) : QString();
}

} // namespace

frmRaceSetup::frmRaceSetup(const RaceSetup& setup, const QStringList& categories, QWidget* parent)
    : QDialog(parent), m_day(setup.start.isValid() ? setup.start.date() : Now().date()) {
    setObjectName(QStringLiteral("frmRaceSetup"));
    setWindowTitle(GetText(QStringLiteral("MKL_RS_CAPTION")));
    auto* grid = new QGridLayout;
    const char* const heads[] = {"MKL_PR_CATEGORY", "MKL_RS_START", "MKL_PR_LAPS"};
    for (int column = 0; column < 3; ++column)
        grid->addWidget(new QLabel(GetText(QLatin1String(heads[column]))), 0, column == 2 ? 3 : column);
    QStringList names = {QString()};
    names << categories;
    for (const QString& category : names) {
        const int line = int(m_rows.size()) + 1;
        Row row{category, new QLineEdit(this), new QLineEdit(this)};
        row.start->setObjectName(QStringLiteral("txtStart"));
        row.laps->setObjectName(QStringLiteral("txtLaps"));
        for (QLineEdit* field : {row.start, row.laps})
            field->setProperty("index", line - 1);
        row.start->setText(StartText(category.isEmpty() ? setup.start : setup.waveStarts.value(category)));
        row.start->setMinimumWidth(
            row.start->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00T00:00:00.000+00:00 ")));
        const bool ownLaps = category.isEmpty() || setup.categoryLaps.contains(category);
        row.laps->setText(ownLaps ? QString::number(setup.LapsOf(category)) : QString());
        auto* now = new QPushButton(GetText(QStringLiteral("MKL_RS_NOW")), this);
        now->setObjectName(QStringLiteral("cmdNow"));
        now->setProperty("index", line - 1);
        QLineEdit* field = row.start;
        connect(now, &QPushButton::clicked, field, [field] { field->setText(StartText(Now())); });
        const QString name = category.isEmpty() ? GetText(QStringLiteral("MKL_RS_RACE")) : category;
        row.start->setAccessibleName(GetText(QStringLiteral("MKL_RS_START")) + QStringLiteral(": ") + name);
        row.laps->setAccessibleName(GetText(QStringLiteral("MKL_PR_LAPS")) + QStringLiteral(": ") + name);
        grid->addWidget(new QLabel(name, this), line, 0);
        grid->addWidget(row.start, line, 1);
        grid->addWidget(now, line, 2);
        grid->addWidget(row.laps, line, 3);
        m_rows.append(row);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(GetText(QStringLiteral("GEN_BTN_OK")));
    buttons->button(QDialogButtonBox::Cancel)->setText(GetText(QStringLiteral("GEN_BTN_CANCEL")));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    auto* hint = new QLabel(GetText(QStringLiteral("MKL_RS_HINT")), this);
    hint->setWordWrap(true);
    column->addWidget(hint);
    column->addLayout(grid);
    column->addWidget(buttons);
    ApplyAccessibleNames(this);
}

std::optional<RaceSetup> frmRaceSetup::Ask() {
    const ModalScope modal;
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return m_result;
}

void frmRaceSetup::accept() {
    if (const std::optional<RaceSetup> setup = Read()) {
        m_result = *setup;
        QDialog::accept();
    }
}

std::optional<RaceSetup> frmRaceSetup::Read() const {
    RaceSetup setup;
    for (const Row& row : m_rows) {
        const QString name = row.category.isEmpty() ? GetText(QStringLiteral("MKL_RS_RACE")) : row.category;
        const QString startText = row.start->text().trimmed();
        const QDateTime start = MomentFromText(startText, m_day);
        bool lapsOk = false;
        const qint32 laps = row.laps->text().trimmed().toInt(&lapsOk);
        const bool lapsEmpty = row.laps->text().trimmed().isEmpty() && !row.category.isEmpty();
        QLineEdit* wrong = !startText.isEmpty() && !start.isValid() ? row.start
                           : !lapsEmpty && (!lapsOk || laps < 1)    ? row.laps
                                                                    : nullptr;
        if (wrong) {
            const char* key = wrong == row.start ? "MKL_RS_BADSTART" : "MKL_RS_BADLAPS";
            ShowMessage({GetText(QLatin1String(key),
                                 {{QStringLiteral("[category]"), name}, {QStringLiteral("[text]"), wrong->text()}}),
                         windowTitle(), MsgIcon::Exclamation, MsgButtons::Ok});
            wrong->setFocus();
            return std::nullopt;
        }
        if (row.category.isEmpty()) {
            setup.start = start;
            setup.laps = laps;
            continue;
        }
        if (start.isValid())
            setup.waveStarts[row.category] = start;
        if (!lapsEmpty)
            setup.categoryLaps[row.category] = laps;
    }
    return setup;
}
