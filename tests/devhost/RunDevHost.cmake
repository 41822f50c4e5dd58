# Runs the dev host once and compares what it printed with an expected file.
#
#   cmake -DDEVHOST=<program> [-DEMULATOR=a|b|c] -DARGS=a|b|c -DEXPECTED=<file>
#         [-DEXIT=<status>] [-DERRORS=<text standard error must hold>]
#         [-DWORKDIR=<dir>] [-DINPUT=<file for standard input>] [-DFRESH=<dir>] -P RunDevHost.cmake
#
# Lists are joined with "|" so that ctest passes them as one argument. Line
# breaks are compared as LF whatever the platform wrote, and the date and time
# that begin each log line are masked as "MM/DD/YY HH:MM" (and an audit line's,
# and those that begin replay's lines, as "YYYY-MM-DDTHH:MM:SSZ") once their
# shape has been checked, and the folders of the files a reload line names as "...". FRESH is a directory removed before the run.
#
# With CORVANE_UPDATE_EXPECTED set in the environment (scripts/update-expected.sh)
# the output is written to the expected file instead of compared with it.
cmake_minimum_required(VERSION 3.25)

string(REPLACE "|" ";" emulator "${EMULATOR}")
string(REPLACE "|" ";" arguments "${ARGS}")
if(NOT DEFINED EXIT)
  set(EXIT 0)
endif()
if(NOT DEFINED WORKDIR)
  set(WORKDIR ${CMAKE_CURRENT_BINARY_DIR})
endif()
if(DEFINED FRESH)
  file(REMOVE_RECURSE ${FRESH})
endif()
if(NOT DEFINED INPUT)
  # No terminal and nothing to read, as in CI.
  set(INPUT ${CMAKE_CURRENT_BINARY_DIR}/empty-input)
  file(WRITE ${INPUT} "")
endif()

execute_process(COMMAND ${emulator} ${DEVHOST} ${arguments}
  WORKING_DIRECTORY ${WORKDIR}
  INPUT_FILE ${INPUT}
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)

function(normalise text result)
  string(REPLACE "\r\n" "\n" text "${text}")
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

normalise("${output}" output)
set(stamp "[0-9][0-9]/[0-9][0-9]/[0-9][0-9] [0-9][0-9]:[0-9][0-9] ")
string(REGEX REPLACE "(^|\n)log: ${stamp}" "\\1log: MM/DD/YY HH:MM " output "${output}")
# Audit lines carry the time in UTC, and so do replay's lines, as text and as JSON.
set(utc "[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]T[0-9][0-9]:[0-9][0-9]:[0-9][0-9]Z")
foreach(start "audit: {" "{")
  string(REGEX REPLACE "(^|\n)${start}\"time\":\"${utc}\"" "\\1${start}\"time\":\"YYYY-MM-DDTHH:MM:SSZ\""
    output "${output}")
endforeach()
string(REGEX REPLACE "(^|\n)${utc}\t" "\\1YYYY-MM-DDTHH:MM:SSZ\t" output "${output}")
# A summary line of flood control names when its period's lines were left out.
string(REGEX REPLACE "\"(from|to)\":\"${utc}\"" "\"\\1\":\"YYYY-MM-DDTHH:MM:SSZ\"" output "${output}")
# A reload line names the audit files by their absolute paths, which differ
# from run to run and between systems: their folders are masked as "...".
string(REGEX REPLACE "\"(auditLog|previousAuditLog)\":\"[^\"]*[/\\]([^\"/\\]*)\"" "\"\\1\":\".../\\2\""
  output "${output}")
if(DEFINED ENV{CORVANE_UPDATE_EXPECTED})
  file(WRITE ${EXPECTED} "${output}")
endif()
file(READ ${EXPECTED} expected)
normalise("${expected}" expected)

set(failures "")
if(NOT "${status}" STREQUAL "${EXIT}")
  string(APPEND failures "exit status ${status}, expected ${EXIT}\n")
endif()
if(DEFINED ERRORS)
  string(FIND "${errors}" "${ERRORS}" found)
  if(found EQUAL -1)
    string(APPEND failures "standard error lacks: ${ERRORS}\n")
  endif()
endif()
if(NOT output STREQUAL expected)
  # Line by line with string functions: CMake lists would split at ';' and group at '['.
  set(line 1)
  set(rest_actual "${output}")
  set(rest_expected "${expected}")
  while(TRUE)
    string(FIND "${rest_actual}" "\n" end_actual)
    string(FIND "${rest_expected}" "\n" end_expected)
    string(SUBSTRING "${rest_actual}" 0 ${end_actual} actual_line)
    string(SUBSTRING "${rest_expected}" 0 ${end_expected} expected_line)
    if(NOT actual_line STREQUAL expected_line OR end_actual EQUAL -1 OR end_expected EQUAL -1)
      break()
    endif()
    math(EXPR end_actual "${end_actual} + 1")
    math(EXPR end_expected "${end_expected} + 1")
    string(SUBSTRING "${rest_actual}" ${end_actual} -1 rest_actual)
    string(SUBSTRING "${rest_expected}" ${end_expected} -1 rest_expected)
    math(EXPR line "${line} + 1")
  endwhile()
  string(APPEND failures "standard output differs from ${EXPECTED} at line ${line}:\n"
    "  expected: ${expected_line}\n  printed:  ${actual_line}\n")
endif()

if(failures)
  message(FATAL_ERROR "${failures}--- standard output:\n${output}--- standard error:\n${errors}")
endif()
