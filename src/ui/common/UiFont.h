#pragma once
// The windows' font where the system's own is missing.
#include <QFont>

namespace q17::ui {

// When the application font's family is not the face that gets drawn (Wine
// names dialog fonts it does not have), Qt draws every window in a serif
// fallback; the first sans face of a short list the system has takes its
// place, in the same size. Does nothing where the family is drawn as named.
void UseAvailableUiFont();

// `wanted` (a fixed-pitch face, as Courier New) where it is drawn as named;
// elsewhere the first fixed-pitch face of a short list the system has, in
// the same size and weight, so that a list of columns never falls back to a
// proportional serif.
QFont AvailableFixedFont(const QFont& wanted);

}  // namespace q17::ui
