# Precompiled headers for the two heaviest dependencies: nlohmann json for the
# plugin's code, most of whose files include it, and GoogleTest with
# GoogleMock for the test programs, which share one precompiled header built
# with the first of them. Every file still includes what it uses, so that it
# builds with CORVANE_PCH off.
option(CORVANE_PCH "Precompile the nlohmann json and GoogleTest headers" ON)

function(corvane_precompiled_headers)
  if(NOT CORVANE_PCH)
    return()
  endif()
  target_precompile_headers(corvane_core PRIVATE <nlohmann/json.hpp>)
  if(CORVANE_TESTS)
    set(owner core_tests)
    target_precompile_headers(${owner} PRIVATE <nlohmann/json.hpp> <gmock/gmock.h> <gtest/gtest.h>)
    foreach(target fault_walk_tests soak_tests engine_tests standin_tests core_unit_tests devhost_tests)
      target_precompile_headers(${target} REUSE_FROM ${owner})
    endforeach()
  endif()
endfunction()
