# --server-dir: a directory that does not exist yet is created with the
# shipped default configuration; one that exists is used as it stands. The
# events also reach the server directory's logs.
#
#   cmake -DDEVHOST=<program> [-DEMULATOR=a|b|c] -DSHIPPED=<default config.json> -P ServerDir.cmake
cmake_minimum_required(VERSION 3.25)

string(REPLACE "|" ";" emulator "${EMULATOR}")
# Relative, as an operator would type it (and a form every platform reads alike).
set(server_argument server-dir-test)
set(server ${CMAKE_CURRENT_BINARY_DIR}/${server_argument})
set(config ${server}/Velkor/Plugins/Corvane/config.json)
set(script ${CMAKE_CURRENT_BINARY_DIR}/server-dir.script)
file(REMOVE_RECURSE ${server})
file(WRITE ${script} "join alice 76561198000000001\ngrant alice Cheat.fly\nsay alice /cheat fly\n")

function(run_devhost result)
  execute_process(COMMAND ${emulator} ${DEVHOST} --server-dir ${server_argument} ${script}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "exit status ${status}\n${output}${errors}")
  endif()
  set(${result} "${output}" PARENT_SCOPE)
endfunction()

function(expect_in file text)
  file(READ ${file} content)
  string(FIND "${content}" "${text}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${file} lacks \"${text}\":\n${content}")
  endif()
endfunction()

run_devhost(output)
file(READ ${SHIPPED} shipped)
file(READ ${config} created)
if(NOT created STREQUAL shipped)
  message(FATAL_ERROR "the new server directory's configuration is not the shipped default:\n${created}")
endif()
expect_in(${server}/Logs/Gameplay.log "alice used the cheat command: fly\n")
expect_in(${server}/Logs/Server.log "console alice: fly\n")

# The operator's own configuration is used, not replaced, and the logs grow.
file(WRITE ${config} [[{"PrintToChat": false, "Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No.", "Sender": "Server"}}]])
run_devhost(output)
string(REPLACE "\r\n" "\n" output "${output}")
if(NOT output MATCHES "^log: [^\n]*\\[Corvane\\]\\[info\\] Loaded [^\n]*\nplugin loaded\nconsole alice: fly\ngameplay-log: alice ran fly\nplugin unloaded\n$")
  message(FATAL_ERROR "the existing configuration was not used:\n${output}")
endif()
expect_in(${server}/Logs/Gameplay.log "alice used the cheat command: fly\nalice ran fly\n")

# The permissions plugin keeps its grants in the server directory: a run that
# grants nothing still finds those of the runs before.
file(WRITE ${script} "join alice 76561198000000001\nsay alice /cheat fly\n")
run_devhost(output)
string(FIND "${output}" "\nconsole alice: fly\n" found)
if(found EQUAL -1)
  message(FATAL_ERROR "the grant of the run before was not kept:\n${output}")
endif()

# The framework's log file holds the plugin's lines in its pattern.
file(WRITE ${config} "{")
run_devhost(output)
expect_in(${server}/Velkor/Logs/Velkor.log "[Corvane][error] [json.exception.parse_error.101]")
file(REMOVE_RECURSE ${server})
