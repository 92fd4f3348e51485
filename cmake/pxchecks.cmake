# Compiler checks for our own code: every warning of -Wall -Wextra -Wpedantic
# is an error. Sources that tools generate (the language tables, moc and uic
# output) are not ours to tidy: they keep the warnings but never fail the
# build, so a newer Qt or compiler cannot break it through them.
#
# PX_SANITIZE builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (CI's second build; see .ci/run for how its
# tests are run). PX_FUZZ builds the libFuzzer targets of tests/fuzz with
# clang; every library they link is instrumented for coverage too.

option(PX_SANITIZE "Build with -fsanitize=address,undefined" OFF)
option(PX_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

add_compile_options(-Wall -Wextra -Wpedantic -Werror)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  # Qt's logging macros (qCInfo(category) << ...) leave their variadic part
  # empty by design; clang's -Wpedantic counts that against every caller.
  add_compile_options(-Wno-gnu-zero-variadic-macro-arguments)
endif()

# The hardening Debian builds its packages with (dpkg-buildflags): a canary
# on the stack of every function with a buffer, checked buffer functions
# where the compiler knows sizes, and relocations resolved and made
# read-only at load time. Fortification needs optimisation; all of it would
# hide findings from the sanitizers. .ci/package.sh checks every binary of
# the packages with hardening-check.
if(NOT PX_SANITIZE AND NOT PX_FUZZ)
  add_compile_options(-fstack-protector-strong $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
  add_link_options(-Wl,-z,relro,-z,now)
endif()

if(PX_SANITIZE)
  # UBSan's reports stop the program through UBSAN_OPTIONS=halt_on_error=1
  # (.ci/sanitize.sh), so a suppression can still let one through.
  set(px_sanitize_flags -fsanitize=address,undefined -fno-omit-frame-pointer)
  add_compile_options(${px_sanitize_flags})
  add_link_options(${px_sanitize_flags})
endif()

if(PX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "PX_FUZZ needs clang: -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# A generated source of the current directory: warnings stay, errors go.
function(px_generated_source)
  set_source_files_properties(${ARGN} PROPERTIES COMPILE_OPTIONS "-Wno-error")
endfunction()

# moc's collected output of every target that runs moc, in every directory
# below `dir`. Called once at the end of the top-level CMakeLists, when all
# targets exist.
function(px_mark_moc_output dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t ${targets})
    get_target_property(automoc ${t} AUTOMOC)
    get_target_property(type ${t} TYPE)
    if(automoc AND NOT type STREQUAL "INTERFACE_LIBRARY" AND NOT type STREQUAL "UTILITY")
      get_target_property(bindir ${t} BINARY_DIR)
      set_source_files_properties(${bindir}/${t}_autogen/mocs_compilation.cpp
        DIRECTORY ${dir} PROPERTIES COMPILE_OPTIONS "-Wno-error")
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(s ${subdirs})
    px_mark_moc_output(${s})
  endforeach()
endfunction()
