# `make package`: a Debian package of everything `cmake --install` puts in place,
# installed under /usr. Library dependencies come from dpkg-shlibdeps; what the
# program loads at run time without linking it (Qt plugins, fonts, the MIME and
# desktop databases' tools) is declared by hand.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "warplet")
set(CPACK_PACKAGE_VENDOR "Tavmor Software")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Warplet developers <warplet@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Deform pictures with brushes and animate the deformations")
set(CPACK_PACKAGE_DESCRIPTION
  "Warplet deforms a picture with brush tools and whole-picture tools, builds a loop of keyframes whose in-between frames are interpolated, and saves it as a project, as pictures, as an animated GIF or as a video. warplet-cli works on the same projects without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "graphics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${WARPLET_HOME_PAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "qt6-image-formats-plugins, qt6-translations-l10n, fonts-wqy-microhei, fonts-dejavu-core, shared-mime-info, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils")

include(CPack)
