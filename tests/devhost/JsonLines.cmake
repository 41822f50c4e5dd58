# Fails unless every line of FILE is one valid JSON value.
#
#   cmake -DFILE=<file> -P JsonLines.cmake
cmake_minimum_required(VERSION 3.25)
file(READ "${FILE}" text)
# Lines may hold ';', CMake's list separator: it travels as a placeholder.
string(REPLACE ";" "<semicolon>" text "${text}")
string(REPLACE "\n" ";" lines "${text}")
foreach(line IN LISTS lines)
  if(line STREQUAL "")
    continue()
  endif()
  string(REPLACE "<semicolon>" ";" line "${line}")
  string(JSON type ERROR_VARIABLE error TYPE "${line}")
  if(error)
    message(FATAL_ERROR "not a JSON line: ${line} (${error})")
  endif()
endforeach()
