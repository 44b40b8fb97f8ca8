#include "support/HelpAddress.h"

#include "base/DataFiles.h"
#include "lang/clsLanguage.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {
const QString kWikiKey = QStringLiteral("GEN_WIKI");

QString GuideFile(const QString& tag) {
    return DataFilePath(QStringLiteral("guide/marklog-guide-%1.html").arg(tag));
}
} // namespace

QString WikiAddress(const QString& article) {
    return GetText(kWikiKey) + article + QStringLiteral("#z");
}

QString GuidePath(const QString& language) {
    // "de", "de-AT" and "de_CH" all read the German guide.
    const QString primary = language.section(QRegularExpression(QStringLiteral("[-_]")), 0, 0).toLower();
    if (primary == QLatin1String("de")) {
        const QString german = GuideFile(QStringLiteral("de"));
        if (QFileInfo::exists(german))
            return german;
    }
    return GuideFile(QStringLiteral("en"));
}

bool WikiConfigured() {
    // An empty text means no online wiki; the key itself comes back when a table lacks it.
    const QString base = GetText(kWikiKey);
    return !base.trimmed().isEmpty() && base != kWikiKey;
}

QString HelpAddress(const QString& article) {
    if (WikiConfigured())
        return WikiAddress(article);
    return GuidePath(gLanguage ? gLanguage->CurrentLanguage() : QString());
}
