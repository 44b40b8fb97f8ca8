#include "base/ErrorHandler.h"

#include "base/LogWriter.h"
#include "base/MessageBox.h"
#include "base/Version.h"

namespace {

// Columns of the entry text where source, number and description begin.
constexpr int kSourceColumn = 35;
constexpr int kNumberColumn = 60;
constexpr int kDescriptionColumn = 70;

// Fills with blanks up to a column; a field that already reaches past it is left whole.
void PadTo(QString& text, int column) {
    if (text.size() < column)
        text.append(QString(column - text.size(), QLatin1Char(' ')));
}

} // namespace

QString VersionText() {
    return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

QString FormatErrorEntry(const QString& version, const ErrorInfo& error, const QString& procedureName) {
    QString entry = version;
    PadTo(entry, kSourceColumn);
    entry += error.source;
    PadTo(entry, kNumberColumn);
    entry += QString::number(error.number);
    PadTo(entry, kDescriptionColumn);
    entry += error.description;
    if (!procedureName.isEmpty())
        entry += QStringLiteral(" (") + procedureName + QLatin1Char(')');
    return entry;
}

void LogError(const ErrorInfo& error, const QString& procedureName) {
    if (error.number == 0)
        return;
    WriteLog(QStringLiteral("ERROR: ") + FormatErrorEntry(VersionText(), error, procedureName));
}

bool ReportingFirstError(std::initializer_list<std::function<void()>> steps, const QString& procedureName) {
    std::optional<ErrorInfo> first;
    for (const std::function<void()>& step : steps) {
        try {
            step();
        } catch (const RaisedError& error) {
            if (!first)
                first = error.info();
        }
    }
    if (first)
        ReportError(*first, procedureName);
    return !first;
}

void ReportError(const ErrorInfo& error, const QString& procedureName) {
    if (error.number == 0)
        return;
    LogError(error, procedureName);
    MessageRequest request;
    request.text = error.description;
    request.title = ProgramTitle();
    request.icon = MsgIcon::None;
    request.buttons = MsgButtons::Ok;
    ShowMessage(request);
}
