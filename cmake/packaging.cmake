# Release archives: `cmake --build --preset <preset> --target package` leaves
# quillbrook-<version>-<platform>.{zip,tar.gz} and SHA256SUMS in the build directory.

install(TARGETS quillbrook quillbrook-fleet RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
# What an administrator opens first, in Notepad on any Windows: hence CR LF and a byte-order mark.
configure_file(${PROJECT_SOURCE_DIR}/docs/LIESMICH.txt.in ${PROJECT_BINARY_DIR}/LIESMICH.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/LIESMICH.txt ${PROJECT_SOURCE_DIR}/docs/Anleitung-Administratoren.md DESTINATION .)
# The playbook and the start-up script the README's "Checking many machines" walks through.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/deploy DESTINATION .)
# The inventory helper the Windows collection scripts run beside the program.
if(WIN32)
  install(TARGETS quillbrook-inventory RUNTIME DESTINATION .)
endif()

# Two Release builds of one commit must give the same bytes wherever the tree and the
# build directory lie: source paths are written relative, and the PE header gets no link
# time. Other configurations keep absolute paths, which debuggers find sources by.
set(shipped quillbrook_core quillbrook quillbrook_fleet quillbrook-fleet quillbrook_inventory)
if(WIN32)
  list(APPEND shipped quillbrook-inventory quillbrook_startup)
endif()
foreach(target IN LISTS shipped)
  target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>)
endforeach()
if(WIN32)
  target_link_options(quillbrook PRIVATE LINKER:--no-insert-timestamp)
  target_link_options(quillbrook-fleet PRIVATE LINKER:--no-insert-timestamp)
  target_link_options(quillbrook-inventory PRIVATE LINKER:--no-insert-timestamp)
endif()

set(CPACK_PACKAGE_NAME quillbrook)
set(CPACK_PACKAGE_VENDOR "The Quillbrook developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tells whether this PC can take Windows 11")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME quillbrook-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_PACKAGE_FILE_NAME quillbrook-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
endif()

# CPack's own archives list entries in the file system's order, name the builder's user
# and, unless SOURCE_DATE_EPOCH is set, carry the time of the build. So they are written
# anew from CPack's staging tree with a fixed order, date and owner. Python is needed for
# `package` only.
find_package(Python3 COMPONENTS Interpreter QUIET)
set(CPACK_QUILLBROOK_PYTHON "${Python3_EXECUTABLE}")
set(CPACK_QUILLBROOK_ARCHIVER ${CMAKE_CURRENT_LIST_DIR}/reproducible-archive.py)
set(CPACK_QUILLBROOK_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/reproducible-archive.cmake)

# `package_source` goes through the same step, so it too gives one .tar.gz, without build output.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build/" "/bench/out/" "__pycache__/")

include(CPack)
