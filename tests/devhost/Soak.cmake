# A few thousand mixed lines through the dev host: the engine's live blocks
# end where they started, every command that ran has its gameplay-log entry,
# and the run ends normally.
#
#   cmake -DDEVHOST=<program> [-DEMULATOR=a|b|c] -DLINES=<n> -P Soak.cmake
cmake_minimum_required(VERSION 3.25)

string(REPLACE "|" ";" emulator "${EMULATOR}")
set(good [[{"PrintToChat": true, "Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No.", "Sender": "Server"}}]])
set(quiet [[{"PrintToChat": false, "Messages": {"LogMsg": "{} ran {}", "NoPermissions": "Nö.", "Sender": "Sérver"}}]])
set(broken [[{"Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No {", "Sender": "Server"}}]])

set(script "join alice 76561198000000001\njoin bob 76561198000000002\njoin carol 76561198000000003\n")
string(APPEND script "grant alice Cheat.fly\ngrant alice Cheat.slomo\nmemory\n")
# One round of mixed lines; the configuration changes between rounds.
set(round
  "say alice /cheat fly"
  "say alice /cheat slomo 5"
  "say bob /cheat fly"
  "say alice /cheat fly | slomo 5"
  "say alice /cheat fly {x} }}"
  "say alice /cheat Fly"
  "say bob hello there"
  "say alice /cheat"
  "leave carol"
  "say alice /cheat fly"
  "join carol 76561198000000003"
  "grant bob Cheat.fly"
  "say bob /cheat  fly"
  "revoke bob Cheat.fly"
  "say bob /cheat fly")
set(configs good quiet broken)
set(count 0)
set(round_number 0)
while(count LESS LINES)
  math(EXPR pick "${round_number} % 3")
  list(GET configs ${pick} config)
  string(APPEND script "config ${${config}}\nreload\n")
  foreach(line IN LISTS round)
    string(APPEND script "${line}\n")
  endforeach()
  math(EXPR count "${count} + 17")
  math(EXPR round_number "${round_number} + 1")
endwhile()
string(APPEND script "memory\n")
set(script_file ${CMAKE_CURRENT_BINARY_DIR}/soak.script)
file(WRITE ${script_file} "${script}")

execute_process(COMMAND ${emulator} ${DEVHOST} ${script_file}
  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
string(REPLACE "\r\n" "\n" output "${output}")

if(NOT status EQUAL 0)
  message(FATAL_ERROR "exit status ${status}\n${errors}")
endif()
string(REGEX MATCHALL "memory: [0-9]+ live blocks" memory "${output}")
list(LENGTH memory reports)
list(GET memory 0 first)
list(GET memory -1 last)
if(NOT reports EQUAL 2 OR NOT first STREQUAL last)
  message(FATAL_ERROR "the engine's live blocks changed: ${first} at the start, ${last} at the end")
endif()
string(REGEX MATCHALL "\nconsole " ran "${output}")
string(REGEX MATCHALL "\ngameplay-log: " logged "${output}")
string(REGEX MATCHALL "\nlog: [^\n]*\\[Corvane\\]\\[error\\] " failed "${output}")
list(LENGTH ran ran_count)
list(LENGTH logged logged_count)
list(LENGTH failed failed_count)
if(ran_count EQUAL 0 OR NOT ran_count EQUAL logged_count)
  message(FATAL_ERROR "${ran_count} commands ran, ${logged_count} gameplay-log entries")
endif()
# The broken rounds refuse every granted use (no switch) and every refusal (a stray brace).
if(failed_count EQUAL 0)
  message(FATAL_ERROR "the broken configuration raised no error")
endif()
message(STATUS "${count} lines: ${ran_count} commands ran and were logged, ${failed_count} errors, ${first}")
