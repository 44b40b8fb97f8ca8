#pragma once

#include <QHash>
#include <QList>
#include <QLocale>
#include <QPair>
#include <QString>

// The language component: every caption, tooltip and message by key. Languages are tables of
// "KEY=text" lines; the shipped tables are built in, and a table of the same identifier in a
// "lang" folder beside the executable or in the installed data folder takes their place.
class clsLanguage {
public:
    struct Language {
        QString id;   // "de", "en": stored as the setting "Language"
        QString name; // shown in the language menu
        QHash<QString, QString> texts;
    };

    // The locale whose language stands in for an empty or unknown one ("de_AT"): the system's.
    explicit clsLanguage(const QString& systemLocale = QLocale::system().name()) : m_systemLocale(systemLocale) {}

    // Loads the available languages. Returns false when none could be loaded.
    bool Initialize();

    // Makes a language current. An empty or unknown identifier picks the system locale's language
    // when it is shipped, otherwise English.
    bool SetLanguage(const QString& id);

    // The text of a key in the current language; a key the table lacks gives the key itself, so a
    // caption is never empty by accident. The flag is kept for the family's interface; pass 0.
    QString GetText(const QString& key, int flag = 0) const;

    QString CurrentLanguage() const;
    // The languages loaded, by name, for a menu to offer them.
    QList<Language> Languages() const { return m_languages; }

    // Parses a table; a line "@id=..." and "@name=..." name the language, "#" starts a comment,
    // "\n" in a text is a line break and "\\" a backslash.
    static Language ParseTable(const QByteArray& utf8);

private:
    const Language* Find(const QString& id) const;
    QList<Language> m_languages;
    int m_current = -1;
    QString m_systemLocale;
};

// The process-wide language component: the one a ProcessLanguage holds, or none.
extern clsLanguage* gLanguage;

// Owns the process's language component: loads the languages and makes it gLanguage for its
// lifetime. The program's entry holds the one instance, around all of its windows.
class ProcessLanguage {
public:
    ProcessLanguage();
    ~ProcessLanguage();
    ProcessLanguage(const ProcessLanguage&) = delete;
    ProcessLanguage& operator=(const ProcessLanguage&) = delete;

private:
    clsLanguage m_language;
};

// GetText on gLanguage; the key itself while no component exists.
QString GetText(const QString& key);
// The text of key with each placeholder ("[Filename]") replaced by its value.
QString GetText(const QString& key, const QList<QPair<QString, QString>>& values);
// The text of a key for a count, "[count]" and the other placeholders filled in: the key's form
// "<key>_ONE" for exactly one, the key itself for every other count (zero included), which are
// the two forms English and German have.
QString GetCountText(const QString& key, qint64 count, QList<QPair<QString, QString>> values = {});
