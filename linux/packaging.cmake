# CPack settings for norvek-flash's .deb. The package holds the program and
# its man page; shared-library dependencies are found by dpkg-shlibdeps.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "norvek-flash")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Norvek updater maintainers <maintainers@norvek.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware updater for optical drives, from the maker's packed updater file")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Reads the firmware package and loaders from the maker's packed Windows\n updater and runs the same verified flash procedure over SG_IO.")
set(CPACK_DEBIAN_PACKAGE_SECTION "admin")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
# Only the program and its man page: the other targets of this build install nothing.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)
