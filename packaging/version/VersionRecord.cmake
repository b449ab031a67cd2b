# The program's identity, defined once: the Windows VERSIONINFO resource and
# the record of the Linux programs' ".q17version" section are both written
# from these values and the project's version.
set(Q17_PRODUCT_NAME "SetupQ17")
set(Q17_LEGAL_COPYRIGHT "Copyright (C) 2026 SetupQ17 developers")
set(Q17_COMMENTS "Set-up and diagnostics of 2xQ17 readers on an RS-485 line")

set(Q17_VERSION_WORDS ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH} ${PROJECT_VERSION_TWEAK})
list(TRANSFORM Q17_VERSION_WORDS REPLACE "^$" "0")
list(LENGTH Q17_VERSION_WORDS _q17_words)
while(_q17_words LESS 4)
  list(APPEND Q17_VERSION_WORDS 0)
  list(LENGTH Q17_VERSION_WORDS _q17_words)
endwhile()
string(JOIN "." Q17_FILE_VERSION ${Q17_VERSION_WORDS})
string(JOIN "," Q17_FILE_VERSION_COMMAS ${Q17_VERSION_WORDS})

set(Q17_VERSION_SECTION ".q17version")

# The resource script is written on every platform, so native builds can
# check that it compiles to the same record as the section's.
# Resource texts are quoted; a quote inside one is doubled.
foreach(v Q17_PRODUCT_NAME Q17_LEGAL_COPYRIGHT Q17_COMMENTS)
  string(REPLACE "\"" "\"\"" ${v}_RC "${${v}}")
endforeach()
set(Q17_VERSION_RC ${CMAKE_BINARY_DIR}/packaging/version/VersionInfo.rc)
configure_file(${CMAKE_CURRENT_LIST_DIR}/VersionInfo.rc.in ${Q17_VERSION_RC} @ONLY)

if(WIN32)
  enable_language(RC)
else()
  # A host program writes the record; it compiles the core files it
  # needs itself, so it builds the same under any sanitizer set-up.
  add_executable(q17_make_version_record
    ${CMAKE_CURRENT_LIST_DIR}/MakeVersionRecord.cpp
    ${PROJECT_SOURCE_DIR}/src/version/Utf16.cpp
    ${PROJECT_SOURCE_DIR}/src/version/VersionRecord.cpp
    ${PROJECT_SOURCE_DIR}/src/version/VersionRecordWriter.cpp)
  target_include_directories(q17_make_version_record PRIVATE ${PROJECT_SOURCE_DIR}/src)
  set(Q17_VERSION_RECORD ${CMAKE_BINARY_DIR}/packaging/version/q17version.bin)
  add_custom_command(OUTPUT ${Q17_VERSION_RECORD}
    COMMAND q17_make_version_record ${Q17_VERSION_RECORD} ${Q17_FILE_VERSION}
            "ProductName=${Q17_PRODUCT_NAME}" "FileVersion=${Q17_FILE_VERSION}"
            "ProductVersion=${Q17_FILE_VERSION}" "LegalCopyright=${Q17_LEGAL_COPYRIGHT}"
            "Comments=${Q17_COMMENTS}"
    DEPENDS q17_make_version_record
    COMMENT "Writing the version record"
    VERBATIM)
  add_custom_target(q17_version_record DEPENDS ${Q17_VERSION_RECORD})
endif()

# Gives a program its version record: the resource on Windows, the section on
# Linux (added after each link; a new record relinks the program).
function(q17_add_version_record target)
  if(WIN32)
    target_sources(${target} PRIVATE ${Q17_VERSION_RC})
  else()
    add_dependencies(${target} q17_version_record)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${Q17_VERSION_RECORD})
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_OBJCOPY} --add-section ${Q17_VERSION_SECTION}=${Q17_VERSION_RECORD}
              --set-section-flags ${Q17_VERSION_SECTION}=readonly $<TARGET_FILE:${target}>
      VERBATIM)
  endif()
endfunction()
