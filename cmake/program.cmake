# tracer_program(<exe> CORE <library> SOURCES <file>... LIBS <library>...)
# One program folder: the library <library> with the run function and its parts
# (linked with the run frame and `LIBS`), and the executable <exe> from main.cpp.
function(tracer_program exe)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "CORE" "SOURCES;LIBS")
  add_library(${arg_CORE} ${arg_SOURCES})
  target_include_directories(${arg_CORE} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${arg_CORE} PUBLIC records runframe ${arg_LIBS})
  add_executable(${exe} main.cpp)
  target_link_libraries(${exe} PRIVATE ${arg_CORE})
endfunction()
