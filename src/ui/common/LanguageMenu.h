#pragma once
// "Язык / Language": a menu of the languages the program speaks, each named
// in its own words, so that a user lost in a language finds the way out.
#include <QString>
#include <filesystem>

class QMenu;
class QWidget;

namespace q17::ui {

class IMessageBox;

// Adds the menu to `parent` with one checkable item per language, the one in
// use (`current`) checked. Choosing one keeps it in `file` for the next
// start and says so, in Russian and in English: the windows keep their
// language until then. The menu is "miLanguage", its items
// "miLanguage_<code>".
QMenu* AddLanguageMenu(QMenu& parent, const QString& current, const std::filesystem::path& file,
                       IMessageBox& messages, QWidget* window);

}  // namespace q17::ui
