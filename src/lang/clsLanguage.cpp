#include "lang/clsLanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <algorithm>

clsLanguage* gLanguage = nullptr;

QString GetText(const QString& key) {
    return gLanguage ? gLanguage->GetText(key, 0) : key;
}

// One pass over the text: a value that itself holds a placeholder (a file named "[reason].stn")
// is left as it is.
QString GetText(const QString& key, const QList<QPair<QString, QString>>& values) {
    const QString text = GetText(key);
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const auto match = std::find_if(values.begin(), values.end(), [&](const QPair<QString, QString>& value) {
            return !value.first.isEmpty() && QStringView(text).mid(i).startsWith(value.first);
        });
        if (match != values.end()) {
            result += match->second;
            i += match->first.size();
        } else {
            result += text[i++];
        }
    }
    return result;
}

QString GetCountText(const QString& key, qint64 count, QList<QPair<QString, QString>> values) {
    values.prepend({QStringLiteral("[count]"), QString::number(count)});
    return GetText(count == 1 ? key + QStringLiteral("_ONE") : key, values);
}

ProcessLanguage::ProcessLanguage() {
    m_language.Initialize();
    gLanguage = &m_language;
}

ProcessLanguage::~ProcessLanguage() {
    gLanguage = nullptr;
}

namespace {

QString Unescape(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\') && i + 1 < text.size()) {
            const QChar next = text[++i];
            result += next == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : next;
        } else {
            result += text[i];
        }
    }
    return result;
}

// Folders where a table may replace a built-in one: beside the executable (a portable
// installation) and the installed data folders.
QStringList TableFolders() {
    QStringList folders{QCoreApplication::applicationDirPath() + QStringLiteral("/lang")};
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << data + QStringLiteral("/marklog/lang");
    folders << QStringLiteral(":/lang");
    return folders;
}

} // namespace

clsLanguage::Language clsLanguage::ParseTable(const QByteArray& utf8) {
    Language language;
    const QStringList lines = QString::fromUtf8(utf8).split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = Unescape(line.mid(equals + 1));
        if (key == QLatin1String("@id"))
            language.id = value.trimmed();
        else if (key == QLatin1String("@name"))
            language.name = value.trimmed();
        else
            language.texts.insert(key, value);
    }
    return language;
}

bool clsLanguage::Initialize() {
    // The built-in tables are a resource of a static library; without this reference the linker
    // drops them.
    Q_INIT_RESOURCE(languages);
    m_languages.clear();
    m_current = -1;
    for (const QString& folder : TableFolders()) {
        const QStringList files = QDir(folder).entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name);
        for (const QString& file : files) {
            QFile table(folder + QLatin1Char('/') + file);
            if (!table.open(QIODevice::ReadOnly))
                continue;
            Language language = ParseTable(table.readAll());
            if (language.id.isEmpty() || Find(language.id))
                continue; // the first folder that holds a language wins
            if (language.name.isEmpty())
                language.name = language.id;
            m_languages.append(language);
        }
    }
    std::sort(m_languages.begin(), m_languages.end(),
              [](const Language& a, const Language& b) { return a.name.localeAwareCompare(b.name) < 0; });
    SetLanguage(QString());
    return !m_languages.isEmpty();
}

const clsLanguage::Language* clsLanguage::Find(const QString& id) const {
    for (const Language& language : m_languages) {
        if (language.id.compare(id, Qt::CaseInsensitive) == 0)
            return &language;
    }
    return nullptr;
}

bool clsLanguage::SetLanguage(const QString& id) {
    const Language* chosen = Find(id);
    if (!chosen)
        chosen = Find(m_systemLocale.section(QLatin1Char('_'), 0, 0));
    if (!chosen)
        chosen = Find(QStringLiteral("en"));
    if (!chosen && !m_languages.isEmpty())
        chosen = &m_languages.first();
    m_current = chosen ? static_cast<int>(chosen - m_languages.constData()) : -1;
    return chosen && chosen->id.compare(id, Qt::CaseInsensitive) == 0;
}

QString clsLanguage::CurrentLanguage() const {
    return m_current >= 0 ? m_languages[m_current].id : QString();
}

QString clsLanguage::GetText(const QString& key, int /*flag*/) const {
    if (m_current < 0)
        return key;
    const auto& texts = m_languages[m_current].texts;
    const auto found = texts.constFind(key);
    return found != texts.constEnd() ? found.value() : key;
}
