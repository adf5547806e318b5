# `cmake --build build --target package` (or `cpack` in the build tree)
# makes loopcaster_<version>_<arch>.deb from the install rules. Its Depends
# line comes from dpkg-shlibdeps over the installed binaries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME loopcaster)
set(CPACK_PACKAGE_VENDOR "The Loopcaster developers")
set(CPACK_PACKAGE_CONTACT "Loopcaster maintainers <maintainers@loopcaster.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn a video clip or a photo into a long music video")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Loopcaster draws songs from a playlist folder for each clip or photo, joins
them into one crossfaded mix, loops the clip without re-encoding it (or holds
the photo) for exactly the length of the mix, and writes an MP4 movie with
chapters plus a tracklist, through a persistent, thermally throttled queue.

The package holds the desktop app and loopcaster-render, its command-line
renderer.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://loopcaster.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The SQLite driver and the platform plugins are loaded at run time, so
# dpkg-shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
