# Build options of every target in the tree, carried by the interface target
# tracer_options instead of directory-wide flags.
#
#   TRACER_WERROR     warnings are errors (CI turns it on)
#   TRACER_SANITIZE   AddressSanitizer + UndefinedBehaviorSanitizer, no recovery
#   TRACER_FUZZ       coverage instrumentation for libFuzzer (clang++), with the
#                     same sanitizers; the fuzz targets themselves live in fuzz/
option(TRACER_WERROR "Treat compiler warnings as errors" OFF)
option(TRACER_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_library(tracer_options INTERFACE)
# Floating point is part of the output format: no contraction, no fast math.
target_compile_options(tracer_options INTERFACE -ffp-contract=off -Wall -Wextra
                                                $<$<BOOL:${TRACER_WERROR}>:-Werror>)
if(TRACER_SANITIZE OR TRACER_FUZZ)
  target_compile_options(tracer_options INTERFACE -fsanitize=address,undefined
                                                  -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(tracer_options INTERFACE -fsanitize=address,undefined)
endif()
if(TRACER_FUZZ)
  target_compile_options(tracer_options INTERFACE -fsanitize=fuzzer-no-link -g)
endif()

# The version, defined once by project(): tracer_version.h holds it as tracer::kVersion.
configure_file(${PROJECT_SOURCE_DIR}/cmake/version.h.in
               ${PROJECT_BINARY_DIR}/generated/tracer_version.h @ONLY)
add_library(tracer_version INTERFACE)
target_include_directories(tracer_version INTERFACE ${PROJECT_BINARY_DIR}/generated)

# Links tracer_options into every compiled target defined in `dir`.
function(tracer_use_options dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
      target_link_libraries(${target} PRIVATE tracer_options)
    endif()
  endforeach()
endfunction()
