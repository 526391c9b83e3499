# What makes a target one of our Windows programs, the same for each exe we ship: the start-up
# object (the DLL search policy and the stack guard, set before the runtime starts), a load
# configuration the header points at, a manifest (asInvoker, long paths) and a version
# resource. The numbers come from the one project version, the copyright line from LICENSE, so
# a release has no second place to edit; the strings are what Explorer's properties and
# AppLocker's publisher rules show beside the signature.
enable_language(RC)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(QUILLBROOK_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
set(QUILLBROOK_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE QUILLBROOK_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT QUILLBROOK_COPYRIGHT)
  message(FATAL_ERROR "LICENSE has no line starting with \"Copyright \"")
endif()
set(QUILLBROOK_RESOURCES ${PROJECT_SOURCE_DIR}/src/platform/windows)
set(QUILLBROOK_PYTHON ${Python3_EXECUTABLE})

# Descriptions stay ASCII, which every code page windres may read the script in agrees on.
function(quillbrook_windows_program target description)
  # Linked as an object, not found in a library: it must be there whatever the exe calls.
  target_link_libraries(${target} PRIVATE quillbrook_startup)

  set(QUILLBROOK_RC_NAME ${target})
  set(QUILLBROOK_RC_DESCRIPTION "${description}")
  set(QUILLBROOK_RC_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${QUILLBROOK_RESOURCES}/quillbrook.manifest ${QUILLBROOK_RC_MANIFEST} @ONLY)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${QUILLBROOK_RESOURCES}/quillbrook.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  # windres does not see the manifest as a dependency of the script that names it.
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${QUILLBROOK_RC_MANIFEST})

  # GNU ld leaves the load configuration entry empty; this step points it at the object.
  set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
  target_link_options(${target} PRIVATE LINKER:-Map=${map})
  add_custom_command(TARGET ${target} POST_BUILD
                     COMMAND ${QUILLBROOK_PYTHON} ${PROJECT_SOURCE_DIR}/cmake/load-config.py $<TARGET_FILE:${target}>
                             ${map}
                     VERBATIM)
endfunction()
