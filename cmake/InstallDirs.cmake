# Where the camera plug-in is installed, relative to the install prefix.
#
# GStreamer loads system plug-ins from one folder, its pkg-config `pluginsdir`
# (/usr/lib/<multiarch>/gstreamer-1.0 on Debian), and not from <prefix>/lib/gstreamer-1.0 of
# another prefix. The plug-in therefore goes to the pluginsdir's place below GStreamer's own
# prefix: installed with that prefix (--prefix /usr), every GStreamer program finds it with no
# environment; under another prefix it lands in the same sub-folder there, which GST_PLUGIN_PATH
# must name (README).
pkg_get_variable(DOCCAM_GST_PREFIX gstreamer-1.0 prefix)
pkg_get_variable(DOCCAM_GST_PLUGINSDIR gstreamer-1.0 pluginsdir)
set(doccam_plugin_subdir ${CMAKE_INSTALL_LIBDIR}/gstreamer-1.0)
if(DOCCAM_GST_PREFIX AND DOCCAM_GST_PLUGINSDIR)
  cmake_path(IS_PREFIX DOCCAM_GST_PREFIX "${DOCCAM_GST_PLUGINSDIR}" NORMALIZE doccam_below_prefix)
  if(doccam_below_prefix)
    cmake_path(RELATIVE_PATH DOCCAM_GST_PLUGINSDIR BASE_DIRECTORY "${DOCCAM_GST_PREFIX}"
               OUTPUT_VARIABLE doccam_plugin_subdir)
  endif()
endif()
set(DOCCAM_PLUGIN_INSTALL_DIR ${doccam_plugin_subdir} CACHE STRING
  "Folder of the GStreamer plug-in, relative to the install prefix")
