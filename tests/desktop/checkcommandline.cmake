# Runs PROGRAM with --version and --help (offscreen, it may be a window app):
#   --version prints exactly "NAME VERSION";
#   --help succeeds and names every option in OPTIONS;
#   MANPAGE, when given, documents every --option that --help names.
# cmake -DPROGRAM=... -DNAME=... -DVERSION=... -DOPTIONS=a;b [-DMANPAGE=...] -P checkcommandline.cmake
set(ENV{QT_QPA_PLATFORM} offscreen)

execute_process(COMMAND ${PROGRAM} --version RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out STREQUAL "${NAME} ${VERSION}\n")
  message(FATAL_ERROR "${PROGRAM} --version: status ${status}, printed '${out}' '${err}', expected '${NAME} ${VERSION}'")
endif()

execute_process(COMMAND ${PROGRAM} --help RESULT_VARIABLE status OUTPUT_VARIABLE help ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help: status ${status}: ${help} ${err}")
endif()
foreach(option IN LISTS OPTIONS)
  string(FIND "${help}" "${option}" at)
  if(at LESS 0)
    message(FATAL_ERROR "${PROGRAM} --help does not list ${option}:\n${help}")
  endif()
endforeach()

if(MANPAGE)
  file(READ ${MANPAGE} page)
  string(REGEX MATCHALL "--[a-z][a-z-]*" named "${help}")
  list(REMOVE_DUPLICATES named)
  foreach(option IN LISTS named)
    # troff writes a plain hyphen as \-
    string(REPLACE "-" "\\-" escaped "${option}")
    string(FIND "${page}" "${escaped}" at)
    if(at LESS 0)
      message(FATAL_ERROR "${MANPAGE} does not document ${option} (written ${escaped})")
    endif()
  endforeach()
endif()
