# Sanitizer builds. ASan and UBSan go together; TSan excludes both.
if(DOCCAM_ASAN AND DOCCAM_TSAN)
  message(FATAL_ERROR "DOCCAM_ASAN and DOCCAM_TSAN cannot be combined")
endif()
if(DOCCAM_ASAN)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(DOCCAM_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# The environment of every test, with the sanitizer options composed in this one place.
#   doccam_test_environment(<out-var> [TSAN_SUPPRESSIONS <file>] [FORKS] [ENV <NAME=value>...])
# FORKS: the test starts a program after threads exist (ThreadSanitizer would end it).
# Qt, GLib and GStreamer are not instrumented; their futex hand-offs are invisible to
# ThreadSanitizer, so its reports are kept to instrumented code (ignore_noninstrumented_modules).
function(doccam_test_environment out)
  cmake_parse_arguments(ARG "FORKS" "TSAN_SUPPRESSIONS" "ENV" ${ARGN})
  set(tsan "halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1")
  if(ARG_FORKS)
    string(APPEND tsan ":die_after_fork=0")
  endif()
  if(ARG_TSAN_SUPPRESSIONS)
    string(APPEND tsan ":suppressions=${ARG_TSAN_SUPPRESSIONS}")
  endif()
  set(env
    "QT_QPA_PLATFORM=offscreen"
    "GST_PLUGIN_PATH=${CMAKE_BINARY_DIR}/plugins"
    "GST_REGISTRY=${CMAKE_BINARY_DIR}/gst-registry.bin"
    "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "TSAN_OPTIONS=${tsan}"
    # GLib's slice allocator hands a freed buffer to another thread inside uninstrumented code:
    # with the C allocator, which ThreadSanitizer intercepts, it sees the hand-over.
    "G_SLICE=always-malloc"
    # The simulated camera is claimed across processes like a real one; tests run side by
    # side, so each test process claims a camera of its own. A test that starts processes
    # meant to compete for one camera gives them TEVALCAP_SIM_LOCK of their own (or an empty
    # one beside a private XDG_RUNTIME_DIR).
    "TEVALCAP_SIM_LOCK=private"
    ${ARG_ENV})
  set(${out} "${env}" PARENT_SCOPE)
endfunction()
