# The Debian package, built from the configured build folder:
#   cmake --build build --target deb      (build/kelvara_<version>-1_<arch>.deb)
# Its dependencies come from the libraries the programs link (dpkg-shlibdeps);
# the desktop entry, MIME types and icons are registered by the triggers of
# desktop-file-utils, shared-mime-info and hicolor-icon-theme.

# The manual page, and what Debian keeps for every package in
# /usr/share/doc/<package>; compressed as Debian wants them (gzip -9n).
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/kelvara)
set(compressed)
foreach(file changelog.Debian kelvara.1)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${file}.gz
        COMMAND gzip -9n -c ${CMAKE_CURRENT_LIST_DIR}/${file} > ${file}.gz
        DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${file}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
        VERBATIM)
    list(APPEND compressed ${CMAKE_BINARY_DIR}/${file}.gz)
endforeach()
add_custom_target(debian_docs ALL DEPENDS ${compressed})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_BINARY_DIR}/changelog.Debian.gz
        DESTINATION ${doc_dir})
install(FILES ${CMAKE_BINARY_DIR}/kelvara.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides DESTINATION
        ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME kelvara)
# The installed programs get a read-only global offset table, as Debian's
# own builds do.
foreach(program kelvara qvod_terminal kelvara-demo-server)
    target_link_options(${program} PRIVATE LINKER:-z,relro LINKER:-z,now)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvara)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Kelvara developers <maintainers@kelvara.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "client for watching online films and series")
set(CPACK_PACKAGE_DESCRIPTION
    "Kelvara shows a content server's catalogue of films and series in its\n"
    "window and plays what you pick in its own player, while its QVOD terminal\n"
    "downloads the film. It keeps a viewing history with resume positions,\n"
    "follows a series episode by episode and lives in the tray. Local films\n"
    "open from the file manager, qvod:// links from the browser. Without a\n"
    "configured content server it shows its own demo catalogue.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://kelvara.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so shlibdeps cannot see them: libmpv (its package is
# named after its soname, libmpv.so.2 in libmpv2), Qt's X11 platform plugin,
# and for Wayland sessions and the Chinese captions what desktops mostly have.
string(REGEX REPLACE "^lib(.+)\\.so\\.([0-9]+)$" "lib\\1\\2" KELVARA_LIBMPV_PACKAGE
    "${KELVARA_LIBMPV}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${KELVARA_LIBMPV_PACKAGE}, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, fonts-noto-cjk | fonts-wqy-zenhei")
include(CPack)

# The package alone, without building the tests first as `package` does:
#   cmake --build build --target deb
add_custom_target(deb
    COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Building the Debian package"
    VERBATIM)
add_dependencies(deb kelvara qvod_terminal kelvara-demo-server debian_docs)
