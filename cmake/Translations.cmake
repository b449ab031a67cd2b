# The languages beside Russian, the program's own: one translation file per
# language, translations/setupq17_<code>.ts, which lupdate keeps current
#   cmake --build build --target update_translations
# and translators edit with Qt Linguist (linguist-qt6). lrelease builds each
# into the windows' library (src/ui/common); translations/ holds the check
# with which the build refuses a text that has no finished translation.
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

set(Q17_TS_FILES ${PROJECT_SOURCE_DIR}/translations/setupq17_en.ts)
# The options of every lupdate run: no line numbers (a moved line is no
# change of a text), Russian as the language the texts are written in.
set(Q17_LUPDATE_OPTIONS -locations none -source-language ru_RU)

# The sources lupdate reads: the windows, their forms, the program's start
# and the core, whose texts the windows show are marked QT_TRANSLATE_NOOP.
file(GLOB_RECURSE Q17_TRANSLATED_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/src/*.cpp ${PROJECT_SOURCE_DIR}/src/*.h ${PROJECT_SOURCE_DIR}/src/*.ui)
