#include "ui/common/LanguageMenu.h"

#include <QActionGroup>
#include <QMenu>

#include "settings/LanguageChoice.h"
#include "ui/common/Language.h"
#include "ui/common/Seams.h"

namespace q17::ui {

QMenu* AddLanguageMenu(QMenu& parent, const QString& current, const std::filesystem::path& file,
                       IMessageBox& messages, QWidget* window) {
  // untranslated: one title in every language, read by whoever opens the menu.
  auto* menu = parent.addMenu(QStringLiteral("Язык / Language"));
  menu->setObjectName(QStringLiteral("miLanguage"));
  auto* group = new QActionGroup(menu);
  for (const QString& code : AvailableLanguages()) {
    QAction* item = menu->addAction(LanguageName(code));
    item->setObjectName(QStringLiteral("miLanguage_") + code);
    item->setCheckable(true);
    item->setChecked(code == current);
    group->addAction(item);
    QObject::connect(item, &QAction::triggered, menu, [code, current, file, &messages, window] {
      std::string error = "no folder for the user's settings";
      if (file.empty() || !SaveLanguageChoice(file, code.toStdString(), error)) {
        // untranslated: said in both languages, as the choice was not kept.
        messages.Inform(window, QStringLiteral("Выбор языка не сохранён.\nThe choice of language was not kept.\n\n") +
                                    QString::fromStdString(error));
      } else if (code != current) {
        // untranslated: the user may read only the language just chosen.
        messages.Inform(window, QStringLiteral("Язык сменится при следующем запуске программы.\n"
                                               "The language changes when the program is started again."));
      }
    });
  }
  return menu;
}

}  // namespace q17::ui
