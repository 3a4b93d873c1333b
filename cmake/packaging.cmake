# The Debian package, built by `cpack -G DEB` (scripts/package). Its Depends
# come from the libraries the two programs link, through dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brindlecut)
set(CPACK_PACKAGE_VENDOR "The Brindlecut developers")
set(CPACK_PACKAGE_CONTACT "The Brindlecut developers <brindlecut@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cut a large file into pieces and join them again")
set(CPACK_PACKAGE_DESCRIPTION
    "Brindlecut cuts a file into numbered pieces of a chosen size, in a folder
or one piece per removable disk, so that a file larger than one disk can be
carried to another machine and rebuilt there. Its companion join.exe reads the
small manifest that comes with the pieces and appends them back into the
original file. A disk split puts join.exe and a help text on the first disk.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};brindlecut;Unspecified;/"
                                 "${CMAKE_BINARY_DIR};brindlecut;debian;/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
