# cmake -DTS=... -DCOPY=... -DLUPDATE=... -DCHECK=... -DSOURCES=... -DINCLUDE=... -DOPTIONS=... -P CheckTranslations.cmake
# Brings a copy of the translation file TS up to date with the sources
# listed in SOURCES, as update_translations would (the file itself is left
# alone), and fails unless CHECK finds every text of the copy translated and
# every Russian text of the sources marked.
foreach(var TS COPY LUPDATE CHECK SOURCES INCLUDE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckTranslations.cmake: ${var} not given")
  endif()
endforeach()
configure_file(${TS} ${COPY} COPYONLY)
# OPTIONS: lupdate's options, "|" between them.
string(REPLACE "|" ";" options "${OPTIONS}")
execute_process(COMMAND ${LUPDATE} -silent ${options} -I ${INCLUDE} @${SOURCES} -ts ${COPY}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lupdate failed on ${COPY}")
endif()
execute_process(COMMAND ${CHECK} ${COPY} --sources ${SOURCES} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Texts without a finished translation (above). The build refuses them.")
endif()
