# Release builds (the Debian package's) are hardened as Debian builds its own packages: checked
# buffer functions, stack protection, and a read-only relocation table bound at start-up. PIE is
# the compiler's default on Debian.
if(WIN32 OR BRUSHWRIGHT_SANITIZE OR BRUSHWRIGHT_FUZZ)
  return()
endif()
set(release "$<CONFIG:Release>")
add_compile_options("$<${release}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>"
                    "$<${release}:-fstack-protector-strong;-fstack-clash-protection>")
add_link_options("$<${release}:LINKER:-z,relro;LINKER:-z,now>")
