# Installation into the usual places (bin/, share/varnistrale/, the desktop
# entry, the hicolor icons and the MIME type of system files) and the Debian
# package built from it by CPack.
include(GNUInstallDirs)

install(TARGETS varnistrale-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The programs look for their data in ../share/varnistrale beside bin/.
install(FILES ${PROJECT_SOURCE_DIR}/data/DemoGlasdaten.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/varnistrale)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/examples
        DESTINATION ${CMAKE_INSTALL_DATADIR}/varnistrale FILES_MATCHING PATTERN "*.opt")

if(TARGET varnistrale)
    install(TARGETS varnistrale RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/varnistrale.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/varnistrale-mime.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME varnistrale.xml)
    install(FILES ${PROJECT_SOURCE_DIR}/src/ui/qt/icons/varnistrale.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnistrale)
set(CPACK_PACKAGE_VENDOR "Varnistrale")
set(CPACK_PACKAGE_CONTACT "Varnistrale <varnistrale@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Design and analysis of astronomical telescope optics")
set(CPACK_PACKAGE_DESCRIPTION
    "Varnistrale designs and analyses the optics of astronomical telescopes: lenses, mirrors,\n conics, aspheres, toric and Schmidt surfaces, with paraxial data, Seidel sums, ray fans,\n spot diagrams and the diffraction PSF. German user interface.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Only the program's own components; the tests and tools stay in the build.
include(CPack)
