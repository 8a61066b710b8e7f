# The Debian package: `cpack -G DEB` in the build folder (scripts/package does
# the whole round). It holds what `cmake --install` puts under /usr.

set(CPACK_PACKAGE_NAME tavolux)
set(CPACK_PACKAGE_VENDOR "The Tavolux developers")
set(CPACK_PACKAGE_CONTACT "The Tavolux developers <tavolux@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "live view, stills, recording and measuring for a wireless digital microscope")
# One string: set() with several would join them with ";" into the text.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Tavolux is the desktop companion of a wireless digital microscope whose receiver is a\n"
    "USB video-capture device with a snapshot button of its own. It shows the live picture\n"
    "with effects and guides, takes still pictures, records AVI, measures lengths, areas and\n"
    "angles calibrated per magnification, keeps a list of what was taken, plays videos and\n"
    "mails a file. Start it with --simulate to try it without a microscope.")
set(CPACK_GENERATOR DEB)
# cpack installs what is built; it must not build every test program first
# (scripts/package builds only the program).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links come from dpkg-shlibdeps; what it only loads
# at run time is named here: the capture and playback elements, the AVI
# decoders, the Qt platform and SVG plugins, the mail and browser helpers and
# the fonts that carry the Chinese, Japanese, Korean and Thai texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav, qt6-qpa-plugins, qt6-image-formats-plugins, libqt6svg6, xdg-utils, fonts-noto-cjk, fonts-thai-tlwg")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-wayland, gstreamer1.0-pulseaudio | gstreamer1.0-alsa")

include(CPack)
