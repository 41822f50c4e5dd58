# From the record the dev host made, the same lines laid out otherwise, for
# replay to read as it reads the whole file: as a file with two rotated files
# (rotated/CheatAudit.2.jsonl, .1, then the file), as two files named in turn
# (first.jsonl, second.jsonl), and with lines that are no audit lines among
# them (damaged.jsonl).
#
#   cmake -DFOLDER=<the folder of CheatAudit.jsonl> -P ReplayFiles.cmake
cmake_minimum_required(VERSION 3.25)

file(READ ${FOLDER}/CheatAudit.jsonl text)
# Lines may hold ';', CMake's list separator: it travels as a placeholder.
string(REPLACE ";" "<semicolon>" text "${text}")
string(REGEX REPLACE "\n$" "" text "${text}")
string(REPLACE "\n" ";" lines "${text}")
list(LENGTH lines count)
if(count LESS 6)
  message(FATAL_ERROR "the record has ${count} lines, too few to lay out")
endif()

function(write file first last)
  list(SUBLIST lines ${first} ${last} part)
  list(JOIN part "\n" part)
  string(REPLACE "<semicolon>" ";" part "${part}")
  file(WRITE ${FOLDER}/${file} "${part}\n")
endfunction()

# Between the first use of fly and the ones after it, so that their cooldown
# holds only when the files are read oldest first.
file(REMOVE_RECURSE ${FOLDER}/rotated)
write(rotated/CheatAudit.2.jsonl 0 1)
write(rotated/CheatAudit.1.jsonl 1 2)
math(EXPR rest "${count} - 3")
write(rotated/CheatAudit.jsonl 3 ${rest})
write(first.jsonl 0 2)
math(EXPR rest "${count} - 2")
write(second.jsonl 2 ${rest})

list(GET lines 0 first)
string(SUBSTRING "${first}" 0 40 torn)
list(INSERT lines 1
  "not JSON"
  ""
  "${torn}"
  [[{"time":"2026-12-07T21:57:03Z","steamId":"76561198000000001","command":"fly","outcome":"exploded"}]]
  [[{"time":"9999-12-31T23:59:59Z","steamId":"76561198000000001","command":"fly","outcome":"granted"}]]
  [=[["a list"]]=])
list(LENGTH lines count)
write(damaged.jsonl 0 ${count})
