# Dependencies of the Windows cross build, from the same Debian packages as the
# Linux build: fmt, spdlog and nlohmann json as headers, GoogleTest built from
# its source package. Only these three header folders reach the cross
# compiler, through a staging directory of links: the rest of the build
# machine's /usr/include is for the build machine.
set(staging ${CMAKE_BINARY_DIR}/deps/include)
file(MAKE_DIRECTORY ${staging})
foreach(folder fmt spdlog nlohmann)
  if(NOT IS_DIRECTORY /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing: install libfmt-dev, libspdlog-dev and nlohmann-json3-dev")
  endif()
  file(CREATE_LINK /usr/include/${folder} ${staging}/${folder} SYMBOLIC)
endforeach()

function(corvane_header_library name)
  add_library(${name} INTERFACE IMPORTED)
  set_target_properties(${name} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${staging}
    INTERFACE_COMPILE_DEFINITIONS "${ARGN}")
endfunction()

corvane_header_library(fmt::fmt FMT_HEADER_ONLY)
corvane_header_library(spdlog::spdlog SPDLOG_HEADER_ONLY= SPDLOG_FMT_EXTERNAL)
set_target_properties(spdlog::spdlog PROPERTIES INTERFACE_LINK_LIBRARIES fmt::fmt)
corvane_header_library(nlohmann_json::nlohmann_json)

if(CORVANE_TESTS)
  set(googletest /usr/src/googletest)
  if(NOT EXISTS ${googletest}/CMakeLists.txt)
    message(FATAL_ERROR "${googletest} is missing: install googletest")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # GoogleTest's own Windows threading, not the POSIX layer it would pick up here.
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  # It names its targets GTest::gtest, GTest::gtest_main and GTest::gmock itself.
  add_subdirectory(${googletest} ${CMAKE_BINARY_DIR}/deps/googletest EXCLUDE_FROM_ALL)
endif()

# The MinGW runtime (C++ library, unwinder, threads) as DLLs beside the
# programs: every module in the process then shares one runtime, so objects,
# allocations and exceptions pass between the framework, the plugin and the
# tests as they would with one shared C runtime.
# CORVANE_RUNTIME_DLLS lists them for programs built into other folders.
set(CORVANE_RUNTIME_DLLS "")
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
    OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${runtime_path}")
    message(FATAL_ERROR "The MinGW runtime ${runtime} was not found")
  endif()
  list(APPEND CORVANE_RUNTIME_DLLS ${runtime_path})
endforeach()
file(COPY ${CORVANE_RUNTIME_DLLS} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
