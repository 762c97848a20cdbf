# Adds one test, and unless told otherwise the program it runs.
#   doccam_add_test(<test> [TARGET <program>] [SOURCES <file>...] [LIBS <library>...]
#                   [DEPENDS <target>...] [EXISTING] [WRAPPER <program>] [ARGS <argument>...]
#                   [LABELS <label>...] [TIMEOUT <seconds>] [FORKS]
#                   [TSAN_SUPPRESSIONS <file>] [ENV <NAME=value>...])
# TARGET: the program's target, <test> by default. It is built from SOURCES (<program>.cpp
#   when none are given) and linked with LIBS, unless EXISTING says that the target is defined
#   already.
# DEPENDS: targets the test needs at run time (the plug-in, programs it starts).
# WRAPPER: the test runs under that program (umockdev-wrapper); ARGS follow the program.
# FORKS, TSAN_SUPPRESSIONS and ENV go to doccam_test_environment (cmake/Sanitizers.cmake).
# Without TIMEOUT the test has ctest's own (--timeout).
function(doccam_add_test test)
  cmake_parse_arguments(ARG "EXISTING;FORKS" "TARGET;WRAPPER;TIMEOUT;TSAN_SUPPRESSIONS"
                        "SOURCES;LIBS;DEPENDS;ARGS;LABELS;ENV" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "doccam_add_test(${test}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT ARG_TARGET)
    set(ARG_TARGET ${test})
  endif()
  if(NOT ARG_EXISTING)
    if(NOT ARG_SOURCES)
      set(ARG_SOURCES ${ARG_TARGET}.cpp)
    endif()
    add_executable(${ARG_TARGET} ${ARG_SOURCES})
    target_link_libraries(${ARG_TARGET} PRIVATE ${ARG_LIBS})
  endif()
  if(ARG_DEPENDS)
    add_dependencies(${ARG_TARGET} ${ARG_DEPENDS})
  endif()

  set(environment_options)
  if(ARG_FORKS)
    list(APPEND environment_options FORKS)
  endif()
  if(ARG_TSAN_SUPPRESSIONS)
    list(APPEND environment_options TSAN_SUPPRESSIONS ${ARG_TSAN_SUPPRESSIONS})
  endif()
  if(ARG_ENV)
    list(APPEND environment_options ENV ${ARG_ENV})
  endif()
  doccam_test_environment(environment ${environment_options})

  add_test(NAME ${test} COMMAND ${ARG_WRAPPER} $<TARGET_FILE:${ARG_TARGET}> ${ARG_ARGS})
  set_tests_properties(${test} PROPERTIES ENVIRONMENT "${environment}")
  if(ARG_TIMEOUT)
    set_tests_properties(${test} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  endif()
  if(ARG_LABELS)
    set_tests_properties(${test} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
