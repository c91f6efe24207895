# The Debian package: cpack in the build folder writes terv_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME terv)
set(CPACK_PACKAGE_VENDOR TERV)
set(CPACK_PACKAGE_CONTACT "${TERV_MANTENEDOR}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://localhost/terv")
# Libraries come from the binaries; Qt needs a platform plug-in to open a window.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils")
# CPack indents the lines after the first and turns the empty one into " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "prepara y controla archivos para el intercambio de información
TERV agrega al nombre de un archivo su código hash (MD5), lo comprueba y
corrige, divide un archivo grande en particiones numeradas (.vesk), las
vuelve a unir y comprime archivos en un .zip listo para publicar.

Incluye la entrada del menú, el tipo de archivo de las particiones, las
acciones de los gestores de archivos y terv-cli, la misma tarea sin ventana.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/escritorio/paquete/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
