# Install layout and the Debian package.
include(GNUInstallDirs)

foreach(program verbalto patchwell verbalto-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES data/org.verbalto.Verbalto.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/org.verbalto.Verbalto.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 128)
  install(FILES src/resources/icons/IDR_MAINFRAME-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME org.verbalto.Verbalto.png)
endforeach()
install(FILES src/resources/icons/IDR_MAINFRAME.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME org.verbalto.Verbalto.svg)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME verbalto)
set(CPACK_PACKAGE_VENDOR "The Verbalto developers")
set(CPACK_PACKAGE_CONTACT "Verbalto developers <verbalto@verbalto.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop translation tool with a command-line client")
set(CPACK_PACKAGE_INSTALL_DIRECTORY verbalto)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://verbalto.example/verbalto.html")
# Library dependencies come from dpkg-shlibdeps; the platform and media plugins are loaded at
# run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6multimedia6, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei")
include(CPack)
