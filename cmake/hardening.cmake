# What distributions apply to their release binaries by default, and the Windows loader's
# protections asked for explicitly rather than left to the linker's defaults. Release
# builds only: the sanitizer and fuzz builds have their own instrumentation.
add_library(quillbrook_hardening INTERFACE)
set(release $<CONFIG:Release>)
target_compile_options(quillbrook_hardening INTERFACE $<${release}:-fstack-protector-strong>)
if(WIN32)
  # Windows has no stack-clash probing to ask for (its stack is probed page by page anyway)
  # and no CET flag in mingw's objects; ASLR with a 64-bit address range, DEP, and the
  # Remote Desktop flag that keeps GetWindowsDirectoryW on the real Windows directory.
  target_link_options(quillbrook_hardening INTERFACE $<${release}:-fstack-protector-strong>
                      LINKER:--dynamicbase,--high-entropy-va,--nxcompat,--tsaware)
else()
  target_compile_options(quillbrook_hardening INTERFACE
                         $<${release}:-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2 -fstack-clash-protection -fcf-protection>)
  target_link_options(quillbrook_hardening INTERFACE $<${release}:LINKER:-z,relro,-z,now,-z,noexecstack>)
endif()
