# Install rules and the Debian package. Installed, the tree reads:
#   bin/wavedock
#   share/wavedock/wavedock.txt         the readme Help opens and the licence text
#   share/wavedock/LICENSE              the About box opens, found from bin/ by
#                                       FixedPaths, hence fixed folder names here
#   share/applications/<id>.desktop     share/metainfo/<id>.metainfo.xml
#   share/icons/hicolor/<n>x<n>/apps/<id>.png, scalable/apps/<id>.svg
#   share/man/man1/wavedock.1.gz
set(WAVEDOCK_RESOURCES ${PROJECT_SOURCE_DIR}/resources)

install(TARGETS wavedock RUNTIME DESTINATION bin)
install(FILES ${WAVEDOCK_RESOURCES}/wavedock.txt ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION share/wavedock)

configure_file(${WAVEDOCK_RESOURCES}/wavedock.desktop.in
               ${PROJECT_BINARY_DIR}/${WAVEDOCK_APP_ID}.desktop @ONLY)
configure_file(${WAVEDOCK_RESOURCES}/wavedock.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/${WAVEDOCK_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${WAVEDOCK_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${PROJECT_BINARY_DIR}/${WAVEDOCK_APP_ID}.metainfo.xml DESTINATION share/metainfo)

# Drawn by scripts/make-artwork from the two SVG drawings and committed.
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${WAVEDOCK_RESOURCES}/icons/wavedock-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME ${WAVEDOCK_APP_ID}.png)
endforeach()
install(FILES ${WAVEDOCK_RESOURCES}/icons/wavedock.svg
        DESTINATION share/icons/hicolor/scalable/apps RENAME ${WAVEDOCK_APP_ID}.svg)

# The manual page names the project's version. Manual pages are shipped
# compressed; -n keeps the archive free of a time stamp.
configure_file(${WAVEDOCK_RESOURCES}/wavedock.1.in ${PROJECT_BINARY_DIR}/wavedock.1 @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/wavedock.1.gz
    COMMAND gzip -9n -c ${PROJECT_BINARY_DIR}/wavedock.1 > ${PROJECT_BINARY_DIR}/wavedock.1.gz
    DEPENDS ${PROJECT_BINARY_DIR}/wavedock.1 VERBATIM)
add_custom_target(wavedock_man_page ALL DEPENDS ${PROJECT_BINARY_DIR}/wavedock.1.gz)
install(FILES ${PROJECT_BINARY_DIR}/wavedock.1.gz DESTINATION share/man/man1)

# Debian asks every package for its copyright file and a compressed changelog.
configure_file(${WAVEDOCK_RESOURCES}/debian/changelog.in ${PROJECT_BINARY_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
    COMMAND gzip -9n -c ${PROJECT_BINARY_DIR}/changelog > ${PROJECT_BINARY_DIR}/changelog.gz
    DEPENDS ${PROJECT_BINARY_DIR}/changelog VERBATIM)
add_custom_target(wavedock_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)
install(FILES ${WAVEDOCK_RESOURCES}/debian/copyright ${PROJECT_BINARY_DIR}/changelog.gz
        DESTINATION share/doc/wavedock)

# `make package` (build first, then the package target): wavedock_<version>_amd64.deb.
# Packaging does not rebuild the whole tree with its tests first, which costs about
# a minute even when nothing changed; `make package` builds before it packs.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wavedock)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Wavedock developers <wavedock@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop manager for internet radio stations")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Browse a station directory, capture a station's playlist, keep it in a local\n"
    "catalogue and remote-control the desktop's MPRIS2 media player while it plays.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries are found by dpkg-shlibdeps; programs that are no library are named:
# Help and the stations open through xdg-open.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
include(CPack)
