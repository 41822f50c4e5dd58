# A player who holds nothing floods the audit file, after granted uses whose
# cooldowns last an hour and a day:
#   - 3,900 lines of /cheat and 16,000 letters as fast as the chat takes them,
#     under the shipped configuration's rotation: flood control writes ten of
#     them and one summary line, so the file grows by the flood rate alone;
#   - eleven lines a period for 200 periods of 61 s, at the rate, with the
#     smallest rotation and Keep 0, so that the file holding the granted uses
#     is deleted at the first rotation: the uses go on as carried lines, each
#     once, and the folder stays within one file of MaxBytes and its carried lines.
# Each time, after a restart the day-long cooldown still holds.
#
#   cmake -DDEVHOST=<program> [-DEMULATOR=a|b|c] -DSHIPPED=<config.json> -P Flood.cmake
cmake_minimum_required(VERSION 3.25)

string(REPLACE "|" ";" emulator "${EMULATOR}")
set(server ${CMAKE_CURRENT_BINARY_DIR}/flood-server)
set(folder ${server}/Velkor/Plugins/Corvane)
file(READ ${SHIPPED} shipped)
string(JSON shipped SET "${shipped}" Commands [[{"giveitem": {"Cooldown": 86400}, "fly": {"Cooldown": 3600}}]])
string(REPLACE "\n" " " shipped "${shipped}")

set(players "join alice 76561198000000001\njoin bob 76561198000000002\ngrant alice Cheat.giveitem\ngrant alice Cheat.fly\n")
set(uses "say alice /cheat giveitem 1 1\nsay alice /cheat fly\n")

function(run_flood name config flood)
  file(REMOVE_RECURSE ${server})
  set(script ${CMAKE_CURRENT_BINARY_DIR}/flood-${name}.script)
  file(WRITE ${script} "config ${config}\nreload\n${players}${uses}")
  file(APPEND ${script} "${flood}")
  file(APPEND ${script} "restart\n${uses}")
  execute_process(COMMAND ${emulator} ${DEVHOST} --server-dir ${server} ${script}
    OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${name}: exit status ${status}\n${errors}")
  endif()
  string(REGEX MATCH "server restarted\n.*" after "${output}")
  if(NOT after MATCHES "chat -> alice from Server: You can use giveitem again in")
    message(FATAL_ERROR "${name}: the day-long cooldown did not hold after the restart:\n${after}")
  endif()
  if(after MATCHES "console alice: giveitem")
    message(FATAL_ERROR "${name}: giveitem ran again after the restart")
  endif()
endfunction()

# Lines the audit folder's files hold, and their bytes; carried: of carried lines alone.
function(audit_folder lines_var bytes_var carried_var carried_bytes_var)
  file(GLOB files ${folder}/CheatAudit*.jsonl)
  set(lines 0)
  set(bytes 0)
  set(carried 0)
  set(carried_bytes 0)
  foreach(file IN LISTS files)
    file(SIZE ${file} size)
    math(EXPR bytes "${bytes} + ${size}")
    file(STRINGS ${file} read LIMIT_INPUT 100000000)
    foreach(line IN LISTS read)
      math(EXPR lines "${lines} + 1")
      if(line MATCHES "\"action\":\"carried\"")
        string(LENGTH "${line}" length)
        math(EXPR carried "${carried} + 1")
        math(EXPR carried_bytes "${carried_bytes} + ${length} + 1")
      endif()
    endforeach()
  endforeach()
  list(LENGTH files count)
  set(${lines_var} ${lines} PARENT_SCOPE)
  set(${bytes_var} ${bytes} PARENT_SCOPE)
  set(${carried_var} ${carried} PARENT_SCOPE)
  set(${carried_bytes_var} ${carried_bytes} PARENT_SCOPE)
  set(files_count ${count} PARENT_SCOPE)
endfunction()

# As fast as the chat takes them.
string(REPEAT "x" 16000 letters)
string(REPEAT "say bob /cheat ${letters}\n" 3900 flood)
run_flood(fast "${shipped}" "${flood}")
audit_folder(lines bytes carried carried_bytes)
# Ten lines a period are written, and each period that left lines out is
# summed up: a slow machine may take more than one period.
file(READ ${folder}/CheatAudit.jsonl record)
string(REGEX MATCHALL "\"steamId\":\"76561198000000002\"[^\n]*\"outcome\":\"refused\"" refused "${record}")
list(LENGTH refused written)
string(REGEX MATCHALL "\"omitted\":{\"refused\":[0-9]+}" summaries "${record}")
list(LENGTH summaries periods)
set(omitted 0)
foreach(summary IN LISTS summaries)
  string(REGEX MATCH "[0-9]+" count "${summary}")
  math(EXPR omitted "${omitted} + ${count}")
endforeach()
math(EXPR all "${written} + ${omitted}")
math(EXPR most "10 * (${periods} + 1)")
if(NOT all EQUAL 3900 OR written GREATER most OR periods EQUAL 0)
  message(FATAL_ERROR "fast: ${written} refused lines written in ${periods} summed-up periods, "
    "${omitted} counted:\n${record}")
endif()
math(EXPR bound "${most} * 4096 + 10000")
if(bytes GREATER bound)
  message(FATAL_ERROR "fast: the audit file grew to ${bytes} bytes")
endif()
message(STATUS "fast: 3,900 lines of 16 KiB left ${lines} audit lines, ${bytes} bytes, ${periods} summaries")

# At the rate, the smallest rotation, Keep 0.
string(JSON rotating SET "${shipped}" AuditRotate [[{"MaxBytes": 65536, "Keep": 0}]])
string(REPLACE "\n" " " rotating "${rotating}")
string(REPEAT "x" 2000 letters)
string(REPEAT "say bob /cheat ${letters}\n" 11 period)
string(REPEAT "${period}wait 61\n" 200 flood)
run_flood(rate "${rotating}" "${flood}")
audit_folder(lines bytes carried carried_bytes)
math(EXPR bound "65536 + ${carried_bytes}")
if(NOT files_count EQUAL 1 OR bytes GREATER bound)
  message(FATAL_ERROR "rate: ${files_count} files of ${bytes} bytes, more than Keep 0 and ${bound} bytes")
endif()
if(NOT carried EQUAL 2)
  message(FATAL_ERROR "rate: ${carried} carried lines, not one for each of the two granted uses")
endif()
message(STATUS "rate: ${lines} audit lines in ${files_count} file, ${bytes} bytes, ${carried} carried")
file(REMOVE_RECURSE ${server})
