# The Debian package, made by `cpack -G DEB` in the build folder (scripts/package.sh):
# tessarine_VERSION_ARCH.deb with everything `cmake --install` puts under /usr. The
# libraries it needs are found by dpkg-shlibdeps in the binaries themselves; the Qt
# plug-ins the programs load at run time (the display connection, TIFF images) no binary
# names, so they are listed here.
file(STRINGS ${CMAKE_SOURCE_DIR}/app/Version.h VERSION_LINE REGEX "kVersion = \"")
string(REGEX REPLACE ".*kVersion = \"([^\"]+)\".*" "\\1" TESSARINE_VERSION_TEXT "${VERSION_LINE}")

set(TESSARINE_PACKAGE_MAINTAINER
    "Tessarine maintainers <maintainers@users.noreply.c-seed-852a7096.example>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessarine)
set(CPACK_PACKAGE_VERSION ${TESSARINE_VERSION_TEXT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "texture cache editor for the mobile GTA Vice City and San Andreas")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessarine browses and edits the texture caches of the mobile editions of GTA Vice City\n"
    "and GTA San Andreas (NAME.txt with NAME.{dxt,etc,pvr,unc}.{dat,toc,tmb}): it imports\n"
    "and exports images, renames, deletes and sorts textures, and reads PC, PS2 and mobile\n"
    "texture dictionaries, models and IMG archives. tessarine-cli does the same work from a\n"
    "shell.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TESSARINE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-image-formats-plugins")
# The toolkit's own dialogs (file and colour pickers, message box buttons) follow the
# chosen language pack only where Qt's translations are installed.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)
