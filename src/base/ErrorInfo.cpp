#include "base/ErrorInfo.h"

#include <utility>

RaisedError::RaisedError(ErrorInfo info) : m_info(std::move(info)), m_what(m_info.description.toUtf8()) {}

void Raise(qint32 number, const QString& description) {
    throw RaisedError(ErrorInfo{number, ProgramTitle(), description});
}

QString ProgramTitle() {
    return QStringLiteral("Marklog");
}
