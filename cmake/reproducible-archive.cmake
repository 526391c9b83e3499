# Run by CPack once it has written the archives: writes each again, byte for byte the
# same for the same staged files, then lists their hashes in SHA256SUMS.

# Dates in the archives: SOURCE_DATE_EPOCH when set, else the time of the last commit,
# else 1980-01-01, the earliest date a zip can hold.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  execute_process(COMMAND git log -1 --format=%ct
                  WORKING_DIRECTORY "${CPACK_QUILLBROOK_SOURCE_DIR}"
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_result ERROR_QUIET)
  if(NOT git_result EQUAL 0)
    set(epoch "")
  endif()
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  set(epoch 315532800)
endif()

if(NOT CPACK_QUILLBROOK_PYTHON)
  message(FATAL_ERROR "Packaging needs Python 3; install python3 and configure again.")
endif()

# Lines of archives from other runs (say `package_source` after `package`) stay while those
# archives are there; CPack copies this run's archives into place only after this script.
set(sums_file "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS")
set(names "")
foreach(archive IN LISTS CPACK_PACKAGE_FILES)
  cmake_path(GET archive FILENAME name)
  list(APPEND names "${name}")
endforeach()
set(lines "")
if(EXISTS "${sums_file}")
  file(STRINGS "${sums_file}" old_lines)
  foreach(line IN LISTS old_lines)
    if(line MATCHES "^[0-9a-f]+  (.+)$" AND NOT CMAKE_MATCH_1 IN_LIST names
       AND EXISTS "${CPACK_PACKAGE_DIRECTORY}/${CMAKE_MATCH_1}")
      list(APPEND lines "${line}")
    endif()
  endforeach()
endif()

foreach(archive IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND "${CPACK_QUILLBROOK_PYTHON}" "${CPACK_QUILLBROOK_ARCHIVER}"
                          --mtime ${epoch} --prefix "${CPACK_PACKAGE_FILE_NAME}"
                          "${CPACK_TEMPORARY_DIRECTORY}" "${archive}"
                  COMMAND_ERROR_IS_FATAL ANY)
  file(SHA256 "${archive}" hash)
  cmake_path(GET archive FILENAME name)
  list(APPEND lines "${hash}  ${name}")
endforeach()
list(SORT lines)
list(JOIN lines "\n" sums)
file(WRITE "${sums_file}" "${sums}\n")
