# The version resource of each exe (and the manifest of quillbrook.exe), made from the one project
# version and the copyright line of LICENSE, so a release has no second place to edit. The
# strings are what Explorer's properties and AppLocker's publisher rules show beside the signature.
enable_language(RC)

set(QUILLBROOK_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
set(QUILLBROOK_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE QUILLBROOK_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT QUILLBROOK_COPYRIGHT)
  message(FATAL_ERROR "LICENSE has no line starting with \"Copyright \"")
endif()
set(QUILLBROOK_RESOURCES ${PROJECT_SOURCE_DIR}/src/platform/windows)

# Descriptions stay ASCII, which every code page windres may read the script in agrees on.
function(quillbrook_version_resource target description)
  set(QUILLBROOK_RC_NAME ${target})
  set(QUILLBROOK_RC_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${QUILLBROOK_RESOURCES}/quillbrook.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

set(QUILLBROOK_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/quillbrook.manifest)
configure_file(${QUILLBROOK_RESOURCES}/quillbrook.manifest ${QUILLBROOK_MANIFEST} @ONLY)
set(QUILLBROOK_RC_MANIFEST "1 24 \"${QUILLBROOK_MANIFEST}\"")
quillbrook_version_resource(quillbrook "Windows-11-Kompatibilitaetspruefung")
set(QUILLBROOK_RC_MANIFEST "")
# windres does not see the manifest as a dependency of the script that names it.
set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/quillbrook.rc APPEND PROPERTY OBJECT_DEPENDS ${QUILLBROOK_MANIFEST})
