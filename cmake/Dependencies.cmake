# Dependencies, all from Debian's packages.
if(WIN32)
  include(DependenciesWindows)
  return()
endif()
find_package(fmt REQUIRED)
find_package(spdlog REQUIRED)
find_package(nlohmann_json 3.11 REQUIRED)
find_package(GTest REQUIRED)
