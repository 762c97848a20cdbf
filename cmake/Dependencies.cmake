# Third-party packages, all from Debian (scripts/install-deps.sh installs them). The programs
# need only the first group; the tests and benchmarks (BUILD_TESTING, DOCCAM_BENCHMARKS) also
# need GoogleTest, Google Benchmark, umockdev, libturbojpeg and Qt's test library.
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets PrintSupport LinguistTools)
set(CMAKE_AUTOMOC ON)

find_package(PkgConfig REQUIRED)
pkg_check_modules(GST REQUIRED IMPORTED_TARGET
  gstreamer-1.0 gstreamer-base-1.0 gstreamer-video-1.0 gstreamer-app-1.0 gstreamer-audio-1.0)
pkg_check_modules(LIBUSB REQUIRED IMPORTED_TARGET libusb-1.0)
pkg_check_modules(UDEV REQUIRED IMPORTED_TARGET libudev)
set(THREADS_PREFER_PTHREAD_FLAG ON)
find_package(Threads REQUIRED)

if(BUILD_TESTING)
  find_package(Qt6 6.4 REQUIRED COMPONENTS Test)
  pkg_check_modules(UMOCKDEV REQUIRED IMPORTED_TARGET umockdev-1.0)
  pkg_check_modules(TURBOJPEG REQUIRED IMPORTED_TARGET libturbojpeg)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  if(DOCCAM_BENCHMARKS)
    find_package(benchmark REQUIRED)
  endif()
endif()
