# The hardening Debian builds its packages with (dpkg-buildflags with
# hardening=+all), for every build of the programs: the C library's checked
# functions where the compiler optimises, a guard on every stack that holds
# an array, format strings that cannot be the caller's, and relocations made
# read-only and bound at start. Debian's compiler makes position-independent
# programs by itself.

add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
# glibc checks its functions only in optimised code (it warns otherwise), and
# its checked forms hide the calls the sanitizers watch; the name check
# builds without optimising.
if(NOT SKALOMI_SANITIZE AND NOT SKALOMI_ODR_CHECK)
    add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
endif()
add_link_options(-Wl,-z,relro -Wl,-z,now)
