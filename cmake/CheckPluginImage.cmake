# Checks the plugin DLL as the Windows loader sees it: it imports the
# framework's version.dll, and it exports nothing (its entry is not an export).
#
#   cmake -DOBJDUMP=<objdump for the target> -DIMAGE=<Corvane.dll> -P CheckPluginImage.cmake
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${OBJDUMP} -p ${IMAGE} OUTPUT_VARIABLE headers RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${IMAGE} failed")
endif()

set(failures "")
if(NOT headers MATCHES "\tDLL Name: version\\.dll\n")
  string(APPEND failures "${IMAGE} does not import version.dll\n")
endif()
if(headers MATCHES "There is an export table" AND NOT headers MATCHES "\tExport Address Table[ \t]+0+\n")
  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n[^\n]+(\n[^\n]+)*" names "${headers}")
  string(APPEND failures "${IMAGE} exports:\n${names}\n")
endif()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
