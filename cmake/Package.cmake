# What an operator installs: Velkor/Plugins/Corvane/ with the plugin DLL and
# its default configuration, zipped, to be unpacked in the server's directory.
set(package_root ${CMAKE_BINARY_DIR}/package)
set(package_folder ${package_root}/Velkor/Plugins/Corvane)
set(package_zip ${CMAKE_BINARY_DIR}/Corvane.zip)
add_custom_command(OUTPUT ${package_zip}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${package_root}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${package_folder}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Corvane> ${PROJECT_SOURCE_DIR}/core/config.json ${package_folder}
  COMMAND ${CMAKE_COMMAND} -E chdir ${package_root} ${CMAKE_COMMAND} -E tar cf ${package_zip} --format=zip Velkor
  DEPENDS Corvane ${PROJECT_SOURCE_DIR}/core/config.json
  COMMENT "Packaging ${package_zip}"
  VERBATIM)
add_custom_target(package_zip ALL DEPENDS ${package_zip})

add_test(NAME package_layout COMMAND ${CMAKE_COMMAND} -DZIP=${package_zip}
  -DCONFIG=${PROJECT_SOURCE_DIR}/core/config.json -P ${CMAKE_CURRENT_LIST_DIR}/CheckPackage.cmake)
