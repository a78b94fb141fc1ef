#pragma once
// "Cyan Dusk": Quillon's own look, a dusky slate palette with cyan accents.
class QApplication;
class QString;

namespace quillon {

// Applies the style when Name is "Cyan Dusk"; any other name is ignored.
// Returns whether it was applied.
bool RequestStyle(QApplication& App, const QString& Name);

} // namespace quillon
