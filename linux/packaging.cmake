# CPack settings for norvek-flash's .deb. The package holds the program, its
# man page, the Debian changelog and copyright; shared-library dependencies
# are found by dpkg-shlibdeps.

# Who maintains the package: the Maintainer field, the changelog's sign-off
# and the copyright file's contact all come from here.
set(NORVEK_MAINTAINER "Norvek updater maintainers <maintainers@norvek.invalid>"
    CACHE STRING "Maintainer of the norvek-flash package: name <address>")

set(_doc share/doc/norvek-flash)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/copyright.in ${CMAKE_CURRENT_BINARY_DIR}/debian/copyright @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog @ONLY)
set(_changelog ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz)
add_custom_command(OUTPUT ${_changelog}
  COMMAND ${NORVEK_GZIP} -9 -n -c ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog > ${_changelog}
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog)
add_custom_target(norvek-flash-changelog ALL DEPENDS ${_changelog})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian/copyright ${_changelog} DESTINATION ${_doc})

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "norvek-flash")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${NORVEK_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${NORVEK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware updater for the VELMORA DVDRW KTV-360R optical drive")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Updates the firmware of the VELMORA DVDRW KTV-360R DVD rewriter from the\n drive maker's packed Windows updater file: it reads the firmware package\n and loaders from that file and runs the same verified flash procedure as\n the Windows program, over the kernel's SCSI generic interface (SG_IO).\n Before anything is sent it checks the file's PE checksum and, where the\n file is signed, that its Authenticode signature matches it.")
set(CPACK_DEBIAN_PACKAGE_SECTION "admin")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "sg3-utils")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
# Only the program and its documents: the other targets of this build install nothing.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)
