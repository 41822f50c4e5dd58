# Checks the operator's zip: exactly the plugin folder, holding the plugin DLL
# and the shipped default configuration.
#
#   cmake -DZIP=<Corvane.zip> -DCONFIG=<core/config.json> -P CheckPackage.cmake
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ZIP} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "can't list ${ZIP}")
endif()
string(REGEX REPLACE "\n$" "" listing "${listing}")
string(REPLACE "\n" ";" entries "${listing}")
list(SORT entries)
set(expected Velkor/ Velkor/Plugins/ Velkor/Plugins/Corvane/
  Velkor/Plugins/Corvane/Corvane.dll Velkor/Plugins/Corvane/config.json)
if(NOT entries STREQUAL expected)
  message(FATAL_ERROR "${ZIP} holds:\n${listing}\nexpected:\n${expected}")
endif()

set(unpacked ${CMAKE_CURRENT_BINARY_DIR}/package-check)
file(REMOVE_RECURSE ${unpacked})
file(ARCHIVE_EXTRACT INPUT ${ZIP} DESTINATION ${unpacked})
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${CONFIG}
  ${unpacked}/Velkor/Plugins/Corvane/config.json RESULT_VARIABLE differs)
file(REMOVE_RECURSE ${unpacked})
if(differs)
  message(FATAL_ERROR "the packaged config.json is not the shipped default")
endif()
