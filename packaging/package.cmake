# The Debian package: `cpack` in a build folder makes kivo_<version>_<arch>.deb
# from what `cmake --install` installs. Configure with
# -DCMAKE_INSTALL_PREFIX=/usr for a package (the libraries then go to
# lib/<multiarch>, and the help address the messages name is
# file:///usr/share/kivo/help/...). scripts/check-package.sh builds it,
# installs it, tries it and removes it.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "kivo")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Kivo developers")
set(CPACK_PACKAGE_CONTACT "The Kivo developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "voice-record organiser for dictations, meetings, calls and diary entries")
set(CPACK_PACKAGE_DESCRIPTION
    "Kivo records dictations, meetings, diary entries, phone calls, translations\n\
and video, files each recording as a typed record in one data-store file, and\n\
lets you list, search, play back, edit, print, e-mail, import and export it.\n\
The package holds the Kivo program, the message player kvmp, the command-line\n\
tools kivoctl, xrrps and kivo-remote, their help and manual pages.")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The libraries the programs link are found by dpkg-shlibdeps; these are
# loaded at run time (Qt's platform plugins, GStreamer's for video) or used
# by the desktop (MIME database).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, shared-mime-info")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "gstreamer1.0-plugins-ugly, gstreamer1.0-libav, libsox-fmt-all, xdg-utils, man-db")
# The shared libraries go to the system's library folder: the ldconfig
# trigger refreshes its cache on installing and removing.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${CMAKE_CURRENT_LIST_DIR}/deb/postinst;${CMAKE_CURRENT_LIST_DIR}/deb/postrm;${CMAKE_CURRENT_LIST_DIR}/deb/triggers")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
