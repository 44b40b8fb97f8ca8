#pragma once

#include <QString>

// The wiki address of an article: the base address from the language tables (key "GEN_WIKI"),
// the article and "#z", joined with nothing between.
QString WikiAddress(const QString& article);

// The user guide shipped with the program for a language: German for "de", English for every
// other language and whenever the German file is missing.
QString GuidePath(const QString& language);

// Whether the language tables name an online wiki; without one, help is the shipped user guide.
bool WikiConfigured();

// Where help on an article opens: its wiki address when the language tables name a wiki,
// otherwise the shipped user guide in the current language. Hand the result to StartDoc.
QString HelpAddress(const QString& article);
