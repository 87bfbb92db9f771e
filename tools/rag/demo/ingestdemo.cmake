# Builds the demo corpus from scratch: cmake -DRAG=... -DSOURCE=examples/demo
# -DGENERATED=<folder of generated PDFs> -DDEMO=<build>/demo -DSTAMP=<file> -P ingestdemo.cmake
file(REMOVE_RECURSE "${DEMO}/data" "${DEMO}/docs")
file(MAKE_DIRECTORY "${DEMO}/docs")
file(COPY "${SOURCE}/rag.toml" DESTINATION "${DEMO}")
file(GLOB written "${SOURCE}/docs/*" "${GENERATED}/*.pdf")
file(COPY ${written} DESTINATION "${DEMO}/docs")
file(GLOB documents "${DEMO}/docs/*")
list(SORT documents)
foreach(document IN LISTS documents)
  execute_process(COMMAND "${RAG}" ingest "${document}" WORKING_DIRECTORY "${DEMO}"
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE log)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "rag ingest ${document} failed (${status}):\n${log}")
  endif()
  string(STRIP "${output}" output)
  message(STATUS "${output}")
endforeach()
file(TOUCH "${STAMP}")
