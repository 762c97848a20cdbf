# Third-party packages, all from Debian (scripts/install-deps.sh installs them). The programs
# need only the first group; the tests and benchmarks (BUILD_TESTING, DOCCAM_BENCHMARKS) also
# need GoogleTest, Google Benchmark, umockdev, libturbojpeg and Qt's test library.
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets PrintSupport Concurrent LinguistTools)
set(CMAKE_AUTOMOC ON)

find_package(PkgConfig REQUIRED)
pkg_check_modules(GST REQUIRED IMPORTED_TARGET
  gstreamer-1.0 gstreamer-base-1.0 gstreamer-video-1.0 gstreamer-app-1.0 gstreamer-audio-1.0)
pkg_check_modules(LIBUSB REQUIRED IMPORTED_TARGET libusb-1.0)
pkg_check_modules(UDEV REQUIRED IMPORTED_TARGET libudev)
# The presentation node's link watch and the camera publisher.
pkg_check_modules(PIPEWIRE REQUIRED IMPORTED_TARGET libpipewire-0.3)
# Page scanning: page detection and straightening, and text recognition.
pkg_check_modules(OPENCV REQUIRED IMPORTED_TARGET opencv4)
pkg_check_modules(TESSERACT REQUIRED IMPORTED_TARGET tesseract lept)
set(THREADS_PREFER_PTHREAD_FLAG ON)
find_package(Threads REQUIRED)

if(BUILD_TESTING)
  find_package(Qt6 6.4 REQUIRED COMPONENTS Test)
  # Programs the end-to-end tests start.
  find_program(UMOCKDEV_WRAPPER umockdev-wrapper REQUIRED)
  find_program(PULSEAUDIO_PROGRAM pulseaudio REQUIRED)
  find_program(PACTL_PROGRAM pactl REQUIRED)
  find_program(PIPEWIRE_PROGRAM pipewire REQUIRED)
  find_program(WIREPLUMBER_PROGRAM wireplumber REQUIRED)
  find_program(DBUS_DAEMON_PROGRAM dbus-daemon REQUIRED)
  find_program(PW_DUMP_PROGRAM pw-dump REQUIRED)
  find_program(SYSTEMD_ANALYZE_PROGRAM systemd-analyze REQUIRED)
  pkg_check_modules(UMOCKDEV REQUIRED IMPORTED_TARGET umockdev-1.0)
  pkg_check_modules(TURBOJPEG REQUIRED IMPORTED_TARGET libturbojpeg)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  if(DOCCAM_BENCHMARKS)
    find_package(benchmark REQUIRED)
  endif()
endif()
