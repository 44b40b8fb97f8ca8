#pragma once

#include "lang/clsLanguage.h"

#include <QObject>
#include <QString>
#include <QtGlobal>

// A named child of a window; a missing control stops the test with its name.
template <typename T> T* Find(QObject* window, const char* name) {
    T* found = window->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("control %s not found", name);
    return found;
}

// Loads the language tables and makes `id` the program's language for the fixture's lifetime.
class ScopedLanguage {
public:
    explicit ScopedLanguage(const QString& id = QStringLiteral("en")) {
        if (!m_language.Initialize() || !m_language.SetLanguage(id))
            qFatal("language %s not loaded", qPrintable(id));
        gLanguage = &m_language;
    }
    ~ScopedLanguage() { gLanguage = nullptr; }
    ScopedLanguage(const ScopedLanguage&) = delete;
    ScopedLanguage& operator=(const ScopedLanguage&) = delete;

private:
    clsLanguage m_language;
};
