# The Windows program as a folder that runs on a PC with nothing else
# installed, and a zip of it:
#   cmake --install <build> --strip --prefix <dir>/SetupQ17
#   cpack -G ZIP      -> SetupQ17-<version>-win64.zip, top folder SetupQ17/
# The programs, Qt's Windows platform plugin and its styles, and every DLL
# they import that Qt or the compiler's -posix run time provides; Windows'
# own DLLs are the user's; Qt's own texts (file dialogs, message-box buttons)
# in translations/ for each language the program speaks. The probe is not
# installed.

install(TARGETS SetupQ17 q17ctl RUNTIME_DEPENDENCY_SET q17_dlls RUNTIME DESTINATION .)
# The exporter, where its libraries were built for Windows, with a
# configuration to start from and the alert rules.
if(TARGET q17_exporter)
  install(TARGETS q17_exporter RUNTIME_DEPENDENCY_SET q17_dlls RUNTIME DESTINATION .)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/q17_exporter.yml ${CMAKE_CURRENT_LIST_DIR}/../prometheus/alerts.yml
          DESTINATION .)
endif()

# The styles Qt found a plugin for (the native look); the platform plugin
# is the one without which no window opens.
set(q17_styles)
get_directory_property(q17_imported DIRECTORY ${PROJECT_SOURCE_DIR} IMPORTED_TARGETS)
foreach(target IN LISTS q17_imported)
  get_target_property(type ${target} QT_PLUGIN_TYPE)
  if(type STREQUAL "styles")
    list(APPEND q17_styles ${target})
  endif()
endforeach()
install(IMPORTED_RUNTIME_ARTIFACTS Qt6::QWindowsIntegrationPlugin RUNTIME_DEPENDENCY_SET q17_dlls
        LIBRARY DESTINATION platforms)
if(q17_styles)
  install(IMPORTED_RUNTIME_ARTIFACTS ${q17_styles} RUNTIME_DEPENDENCY_SET q17_dlls LIBRARY DESTINATION styles)
endif()

# Qt's translations of its own texts, from the build machine's Qt of the same
# version (Debian's qt6-translations-l10n); the program loads them from
# translations/ beside it. English needs none: it is Qt's own language.
set(q17_qt_languages ru)
foreach(ts IN LISTS Q17_TS_FILES)
  string(REGEX REPLACE ".*_([a-z]+)\\.ts$" "\\1" code "${ts}")
  if(NOT code STREQUAL "en")
    list(APPEND q17_qt_languages ${code})
  endif()
endforeach()
foreach(code IN LISTS q17_qt_languages)
  find_file(Q17_QTBASE_${code} qtbase_${code}.qm PATHS ${QT_HOST_PATH}/share/qt6/translations /usr/share/qt6/translations
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT Q17_QTBASE_${code})
    message(FATAL_ERROR "qtbase_${code}.qm not found: scripts/deps.sh installs qt6-translations-l10n")
  endif()
  install(FILES ${Q17_QTBASE_${code}} DESTINATION translations)
endforeach()

# Where the DLLs come from: Qt's bin folder and the compiler's run time.
set(q17_dll_dirs "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")
foreach(runtime libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  get_filename_component(dir "${path}" DIRECTORY)
  get_filename_component(dir "${dir}" REALPATH)
  list(APPEND q17_dll_dirs "${dir}")
endforeach()
list(REMOVE_DUPLICATES q17_dll_dirs)
# A DLL those folders hold is shipped when imported; any other name is
# Windows' own (kernel32, user32, the api-ms-* sets ...), which a Linux
# build host cannot resolve and the folder must not carry.
# CMake matches and looks up an imported name in lower case, and on a
# case-sensitive disk finds Qt6Core.dll only as qt6core.dll: such names get
# a lower-case link here to be found by.
set(q17_dll_aliases ${CMAKE_CURRENT_BINARY_DIR}/dll-names)
file(REMOVE_RECURSE ${q17_dll_aliases})
file(MAKE_DIRECTORY ${q17_dll_aliases})
set(q17_dll_names)
foreach(dir IN LISTS q17_dll_dirs)
  file(GLOB dlls RELATIVE "${dir}" "${dir}/*.dll")
  foreach(dll IN LISTS dlls)
    string(TOLOWER "${dll}" name)
    if(NOT name STREQUAL dll)
      file(CREATE_LINK "${dir}/${dll}" "${q17_dll_aliases}/${name}" SYMBOLIC)
    endif()
    string(REGEX REPLACE "([.+])" "\\\\\\1" name "${name}")
    list(APPEND q17_dll_names "^${name}$")
  endforeach()
endforeach()
# The cross build reads the import tables with mingw's objdump.
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND ${CMAKE_OBJDUMP})
install(RUNTIME_DEPENDENCY_SET q17_dlls DESTINATION .
        DIRECTORIES ${q17_dll_aliases} ${q17_dll_dirs}
        PRE_INCLUDE_REGEXES ${q17_dll_names}
        PRE_EXCLUDE_REGEXES ".*")
# A DLL found by its link is installed as the file and, beside it, a link
# by the lower-case name, which Windows does not need and a zip would keep.
# --strip reaches only the programs: the plugins and DLLs are copied as
# files. Their symbols are of no use on the user's PC and are much of the size.
install(CODE "set(q17_strip \"${CMAKE_STRIP}\")")
install(CODE [[
  set(q17_folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
  file(GLOB q17_dlls "${q17_folder}/*.dll" "${q17_folder}/*/*.dll")
  foreach(dll IN LISTS q17_dlls)
    if(IS_SYMLINK "${dll}")
      file(REMOVE "${dll}")
    elseif(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND "${q17_strip}" --strip-unneeded "${dll}" COMMAND_ERROR_IS_FATAL ANY)
    endif()
  endforeach()
]])

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME SetupQ17)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "SetupQ17 developers")
set(CPACK_PACKAGE_FILE_NAME SetupQ17-${PROJECT_VERSION}-win64)
# The zip unpacks to SetupQ17/, whatever its version.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX /SetupQ17)
set(CPACK_STRIP_FILES ON)
include(CPack)
