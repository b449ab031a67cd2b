#pragma once
// The windows' font where the system's own is missing.

namespace q17::ui {

// When the application font's family is not the face that gets drawn (Wine
// names dialog fonts it does not have), Qt draws every window in a serif
// fallback; the first sans face of a short list the system has takes its
// place, in the same size. Does nothing where the family is drawn as named.
void UseAvailableUiFont();

}  // namespace q17::ui
