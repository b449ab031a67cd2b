# The version record: the reader of the standard record, the ELF section
# reader, the record writer the build uses, and TVersionInfo with its Win32
# or ELF half. Included from src/CMakeLists.txt, after q17core exists.
target_sources(q17core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Utf16.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VersionRecord.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VersionRecordWriter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ElfSection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VerInf.cpp
)
if(WIN32)
  target_sources(q17core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/VerInfWin32.cpp)
  target_link_libraries(q17core PUBLIC version)
else()
  target_sources(q17core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/VerInfPosix.cpp)
endif()
