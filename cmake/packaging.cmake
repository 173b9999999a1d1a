# A Debian package of the installed files: `cpack -G DEB` in the build folder.
# Depends: the shared libraries the program links (found by dpkg-shlibdeps) and the
# GStreamer plugins through which the web view plays the stream: MP3 is in
# plugins-good, the page's volume is applied by the engine's mixer with plugins-bad's
# "inter" elements (through PipeWire's PulseAudio server it is lost otherwise), and the
# sound reaches the desktop through PulseAudio's sink (which PipeWire desktops serve
# too) or, failing that, ALSA's.
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tidemark Drum and Bass FM")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Player for the internet radio station Tidemark Drum and Bass FM")
# Lines of at most 80 columns, as Debian's tools expect.
set(CPACK_PACKAGE_DESCRIPTION
    "Plays the station's stream the moment it opens, shows the song on air with a\n"
    "live countdown and its cover, and answers the desktop's media keys.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${STATIONPLAYER_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-pulseaudio | gstreamer1.0-alsa")
# The faces the program's texts are drawn in (see src/platform/gtk/render_text.cpp).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-open-sans, fonts-liberation2")
set(CPACK_STRIP_FILES ON)
include(CPack)
