#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The error a failing procedure hands on to ReportError: number, source and description.
struct ErrorInfo {
    qint32 number = 0;
    QString source;
    QString description;
};

// Error numbers raised by the program itself. They follow the run-time error numbers the
// family's programs write to their logs, so log readers see familiar numbers.
namespace ErrorNumber {
constexpr qint32 Overflow = 6;
constexpr qint32 SubscriptOutOfRange = 9;
constexpr qint32 FileNotFound = 53;
constexpr qint32 DeviceIoError = 57;
constexpr qint32 DiskFull = 61;
constexpr qint32 PermissionDenied = 70;
constexpr qint32 PathFileAccessError = 75;
constexpr qint32 PathNotFound = 76;
constexpr qint32 InvalidFileFormat = 321;
} // namespace ErrorNumber

// A raised error travels as this exception up to where the user's action started, where
// ReportingErrors (app/ErrorHandler.h) reports it; code that recovers or falls back catches it
// on the way.
class RaisedError : public std::exception {
public:
    explicit RaisedError(ErrorInfo info);
    const ErrorInfo& info() const { return m_info; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    ErrorInfo m_info;
    QByteArray m_what;
};

// Raises an error with the program's title as its source.
[[noreturn]] void Raise(qint32 number, const QString& description);

// The program's title ("Marklog"), used as error source and message box caption.
QString ProgramTitle();
