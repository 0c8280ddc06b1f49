# The Debian package, made by `cpack` in the build folder: dururive_<version>_<arch>.deb.
# Its library dependencies come from dpkg-shlibdeps (the Qt and giflib
# packages the executables link); the fonts the windows are drawn in are
# added by hand, as no executable links them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dururive)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Yarvo Dururive")
set(CPACK_PACKAGE_CONTACT "Yarvo Dururive maintainers <maintainers@dururive.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns a short text into glitter-letter pictures for Yarvo messages")
set(CPACK_PACKAGE_DESCRIPTION
    "Yarvo Dururive turns a line of up to 20 typed characters into a scrap: an HTML
snippet in which every letter is an animated glitter picture, ready to paste
into a message on the Yarvo site. It shows the letters in a still preview,
copies the scrap to the clipboard, writes it to scrap.htm in the working
folder, and opens it in a browser window where the pictures play.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://dururive.example/)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation2)
# Preview drives the browser program over the session bus.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "default-dbus-session-bus | dbus-session-bus")

include(CPack)
