#pragma once

class QWidget;

// Gives the controls of a window (and of the windows it owns) accessible names and descriptions in
// the current language, so a screen reader announces "Bib number" rather than "txtEnter". Controls
// are found by objectName (with "index" for control arrays) in a table of language keys. A label
// that shows a value keeps its text as its name and only gets a description. Call after the
// window's captions are set, and again after a language change.
void ApplyAccessibleNames(QWidget* window);
