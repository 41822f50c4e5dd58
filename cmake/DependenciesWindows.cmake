# Dependencies of the Windows cross build, from the same Debian packages as the
# Linux build: fmt and spdlog built here once as static libraries, nlohmann
# json as headers, GoogleTest built from its source package. Only these three
# header folders reach the cross compiler, through a staging directory of
# links: the rest of the build machine's /usr/include is for the build machine.
set(staging ${CMAKE_BINARY_DIR}/deps/include)
file(MAKE_DIRECTORY ${staging})
foreach(folder fmt spdlog nlohmann)
  if(NOT IS_DIRECTORY /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing: install libfmt-dev, libspdlog-dev and nlohmann-json3-dev")
  endif()
  file(CREATE_LINK /usr/include/${folder} ${staging}/${folder} SYMBOLIC)
endforeach()

# Header-only, every file that includes them would compile all of fmt and
# spdlog again.
add_library(corvane_fmt STATIC ${CMAKE_CURRENT_LIST_DIR}/windows/FmtLibrary.cpp)
target_include_directories(corvane_fmt SYSTEM PUBLIC ${staging})
add_library(fmt::fmt ALIAS corvane_fmt)

add_library(corvane_spdlog STATIC ${CMAKE_CURRENT_LIST_DIR}/windows/SpdlogLibrary.cpp)
target_compile_definitions(corvane_spdlog PUBLIC SPDLOG_COMPILED_LIB SPDLOG_FMT_EXTERNAL)
target_link_libraries(corvane_spdlog PUBLIC fmt::fmt)
add_library(spdlog::spdlog ALIAS corvane_spdlog)
# The stand-in framework exports all of its symbols; these libraries' are each
# module's own, as they would be header-only.
set(CORVANE_DEPENDENCY_ARCHIVES libcorvane_fmt.a libcorvane_spdlog.a)

add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${staging})

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

# MariaDB Connector/C for the companion: built with MinGW-w64 from Debian's
# mariadb source package by scripts/windows-connector.sh, which prints the
# folder to give here; its DLL goes beside the programs.
set(CORVANE_MARIADB_CONNECTOR "$ENV{HOME}/.cache/corvane/mariadb-connector-mingw/install" CACHE PATH
  "MariaDB Connector/C built with MinGW-w64 (scripts/windows-connector.sh prints it)")
set(connector_dll ${CORVANE_MARIADB_CONNECTOR}/lib/mariadb/libmariadb.dll)
if(NOT EXISTS ${connector_dll})
  message(FATAL_ERROR "${connector_dll} is missing: run scripts/windows-connector.sh")
endif()
add_library(mariadb::connector SHARED IMPORTED)
set_target_properties(mariadb::connector PROPERTIES IMPORTED_LOCATION ${connector_dll}
  IMPORTED_IMPLIB ${CORVANE_MARIADB_CONNECTOR}/lib/mariadb/liblibmariadb.dll.a
  INTERFACE_INCLUDE_DIRECTORIES ${CORVANE_MARIADB_CONNECTOR}/include/mariadb)
file(COPY ${connector_dll} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
