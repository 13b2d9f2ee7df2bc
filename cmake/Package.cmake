# The Debian package, built by CPack from the same install rules as `cmake --install`, under
# /usr, with the documents of the component "debian" (src/CMakeLists.txt) that only the package
# installs. dpkg-shlibdeps computes Depends from the binary's libraries.
set(SARDOXA_DEBIAN_REVISION 1 CACHE STRING "Debian revision of the package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sardoxa)
set(CPACK_PACKAGE_VENDOR "The Sardoxa developers")
set(CPACK_PACKAGE_CONTACT "The Sardoxa developers <developers@sardoxa.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "scale a batch of images to one size")
# One line a paragraph line, each under 80 columns as dpkg shows them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Sardoxa scales a batch of images to one chosen size: dropped on its window,"
    "opened from the file manager or given on the command line, every PNG, JPEG,"
    "TIFF, GIF, HEIC, AVIF, WebP or JPEG XL image gets a copy, centred and cropped"
    "to cover the size, as an LZW-compressed TIFF. The originals are never changed."
    "With --size it runs without any window, for scripts and file-manager actions.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The program's own files and the package's documents; not the test or benchmark tools.
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${PROJECT_BINARY_DIR};Sardoxa;Unspecified;/"
    "${PROJECT_BINARY_DIR};Sardoxa;debian;/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${SARDOXA_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://sardoxa.org)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time, so no library link names them: the window needs
# them, Wayland sessions the Wayland one, the German interface Qt's own string tables, and
# opening a folder outside KDE and GNOME xdg-open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
