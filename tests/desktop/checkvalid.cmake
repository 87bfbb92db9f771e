# Runs a validator on a file and fails on any error or warning it reports.
# cmake -DVALIDATOR="program;args" -DFILE=... [-DQUIET=ON] [-DVERSION=...] -P checkvalid.cmake
#   QUIET    the validator prints nothing for a clean file: any output fails.
#   VERSION  the newest <release> of an AppStream file must be this version.
if(NOT VALIDATOR)
  message(FATAL_ERROR "The validator for ${FILE} is not installed: scripts/install-deps.sh installs it.")
endif()
execute_process(COMMAND ${VALIDATOR} ${FILE} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${FILE} is not valid (status ${status})")
endif()
string(STRIP "${out}${err}" said)
if(QUIET AND NOT said STREQUAL "")
  message(FATAL_ERROR "${FILE}: the validator has remarks")
endif()
if(VERSION)
  file(READ ${FILE} text)
  string(REGEX MATCH "<release version=\"([^\"]+)\"" newest "${text}")
  if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
    message(FATAL_ERROR "${FILE}: the newest release is '${CMAKE_MATCH_1}', the project is ${VERSION}")
  endif()
endif()
