# Every seed input is named by the SHA-1 of its bytes, as libFuzzer names what
# it keeps, and the fault found so far (a number beyond the range of a double)
# stays among the inputs of both targets that read a configuration.
#
#   cmake -DCORPUS=<fuzz/corpus> -P FuzzCorpus.cmake
cmake_minimum_required(VERSION 3.25)

set(failures "")
foreach(target fuzz_chat fuzz_strings fuzz_config)
  file(GLOB inputs LIST_DIRECTORIES false ${CORPUS}/${target}/*)
  set(overflow "")
  foreach(input IN LISTS inputs)
    file(SHA1 ${input} digest)
    get_filename_component(name ${input} NAME)
    if(NOT name STREQUAL digest)
      string(APPEND failures "${target}/${name}: its SHA-1 is ${digest}\n")
    endif()
    # An exponent of 400 or more is beyond a double whatever the digits before it.
    file(STRINGS ${input} found REGEX "[1-9][eE]\\+?[4-9][0-9][0-9]")
    list(APPEND overflow ${found})
  endforeach()
  if(NOT target STREQUAL "fuzz_strings" AND NOT overflow)
    string(APPEND failures "${target}: no input holds a number beyond a double\n")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
