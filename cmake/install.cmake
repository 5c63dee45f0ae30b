# What `cmake --install` puts under the prefix:
#   bin/                         the five programs
#   share/man/man1/              a manual page for each
#   share/tracer-eval/example/   the example study, data only, for users to copy
# The example's generator scripts (make_*.py) stay in the source tree: the
# installed example is the data the pages and the README walk through.
include(GNUInstallDirs)

set(TRACER_PROGRAMS tlvanalysis hlbanalysis tessiclip TLVCombineAll tlvstats)
foreach(program IN LISTS TRACER_PROGRAMS)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/man/${program}.1
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/example/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tracer-eval/example
        PATTERN "make_*.py" EXCLUDE
        PATTERN "__pycache__" EXCLUDE)
