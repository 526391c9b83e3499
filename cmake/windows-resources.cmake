# The manifest and version resource of quillbrook.exe, made from the one project version and
# the copyright line of LICENSE, so a release has no second place to edit.
enable_language(RC)

set(QUILLBROOK_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
set(QUILLBROOK_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE QUILLBROOK_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT QUILLBROOK_COPYRIGHT)
  message(FATAL_ERROR "LICENSE has no line starting with \"Copyright \"")
endif()

set(resources ${PROJECT_SOURCE_DIR}/src/platform/windows)
set(QUILLBROOK_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/quillbrook.manifest)
configure_file(${resources}/quillbrook.manifest ${QUILLBROOK_MANIFEST} @ONLY)
configure_file(${resources}/quillbrook.rc.in ${CMAKE_CURRENT_BINARY_DIR}/quillbrook.rc @ONLY)
target_sources(quillbrook PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/quillbrook.rc)
# windres does not see the manifest as a dependency of the script that names it.
set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/quillbrook.rc APPEND PROPERTY OBJECT_DEPENDS ${QUILLBROOK_MANIFEST})
