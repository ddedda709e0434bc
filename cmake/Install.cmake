# Install layout and the Debian package.
include(GNUInstallDirs)

foreach(program verbalto patchwell verbalto-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES data/org.verbalto.Verbalto.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/org.verbalto.Verbalto.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The session bus starts Verbalto for a launcher's call by its installed path, which is known
# only at install time: the package installs to /usr whatever prefix the build was set up with.
set(dbus_service ${CMAKE_BINARY_DIR}/dbus/org.verbalto.Verbalto.service)
install(CODE "
  set(BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  configure_file(\"${CMAKE_CURRENT_SOURCE_DIR}/data/org.verbalto.Verbalto.service.in\"
    \"${dbus_service}\" @ONLY)")
install(FILES ${dbus_service} DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/services)
foreach(size 16 32 48 128)
  install(FILES src/resources/icons/IDR_MAINFRAME-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME org.verbalto.Verbalto.png)
endforeach()
install(FILES src/resources/icons/IDR_MAINFRAME.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME org.verbalto.Verbalto.svg)

# Manual pages and the changelog go in compressed as Debian wants them: gzip -9n, without name
# or time stamp, so that two builds give the same package. verbalto-cli's page is made from its
# --help, so the two never disagree.
find_program(VERBALTO_GZIP gzip REQUIRED)
find_program(VERBALTO_HELP2MAN help2man)
set(doc_dir ${CMAKE_BINARY_DIR}/doc)
set(man_pages)
foreach(page verbalto patchwell)
  set(VERSION ${PROJECT_VERSION})
  configure_file(docs/man/${page}.1 ${doc_dir}/${page}.1 @ONLY)
  list(APPEND man_pages ${doc_dir}/${page}.1)
endforeach()
if(TARGET verbalto-cli AND VERBALTO_HELP2MAN)
  # help2man reads the usage from one line: the wrapper joins the lines a usage wraps onto.
  file(GENERATE OUTPUT ${doc_dir}/help/verbalto-cli
    CONTENT "#!/bin/sh\n'$<TARGET_FILE:verbalto-cli>' \"$@\" | sed -e '1{:a;N;s/\\n  *\\[/ [/;ta}'\n"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
  add_custom_command(OUTPUT ${doc_dir}/verbalto-cli.1
    COMMAND ${VERBALTO_HELP2MAN} --no-info --section=1 --source="Verbalto ${PROJECT_VERSION}"
      --include=${CMAKE_CURRENT_SOURCE_DIR}/docs/man/verbalto-cli.h2m
      --output=${doc_dir}/verbalto-cli.1 ${doc_dir}/help/verbalto-cli
    DEPENDS verbalto-cli docs/man/verbalto-cli.h2m
    COMMENT "Manual page of verbalto-cli from its --help")
  list(APPEND man_pages ${doc_dir}/verbalto-cli.1)
elseif(TARGET verbalto-cli)
  message(WARNING "help2man not found: the package will lack verbalto-cli's manual page")
endif()
set(compressed)
foreach(file IN LISTS man_pages ITEMS ${CMAKE_CURRENT_SOURCE_DIR}/data/debian/changelog)
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${doc_dir}/${name}.gz
    COMMAND ${VERBALTO_GZIP} -9nc ${file} > ${doc_dir}/${name}.gz
    DEPENDS ${file})
  list(APPEND compressed ${doc_dir}/${name}.gz)
endforeach()
add_custom_target(verbalto_docs ALL DEPENDS ${compressed})
list(FILTER compressed EXCLUDE REGEX "/changelog\\.gz$")
install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/debian/copyright ${doc_dir}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/verbalto)
install(FILES data/completion/verbalto-cli
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME verbalto)
set(CPACK_PACKAGE_VENDOR "The Verbalto developers")
set(CPACK_PACKAGE_CONTACT "Verbalto developers <verbalto@verbalto.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop translation tool with a command-line client")
set(CPACK_PACKAGE_DESCRIPTION [=[
Verbalto translates a typed, pasted or opened text from a source language, or
automatic detection, into one of 59 target languages through a web translation
service, and shows the translation, its romanization and dictionary entries.
It lives in the notification area, can translate whatever is copied to the
clipboard, reads texts aloud and keeps a short history. Its interface is in
English, Simplified Chinese or Traditional Chinese.

The package also holds verbalto-cli, which offers the same translations on the
command line (plain text or JSON), and patchwell, the updater of copies
installed outside the package manager.]=])
set(CPACK_PACKAGE_INSTALL_DIRECTORY verbalto)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://verbalto.example/verbalto.html")
# Library dependencies come from dpkg-shlibdeps; the platform and media plugins, espeak-ng,
# GStreamer and the sound server's library are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The web voice's MP3 is decoded by GStreamer's base and good plugins (Qt's media player, which
# crashed without them, is not used); the voice on this computer needs espeak-ng's data.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6svg6, libespeak-ng1, libgstreamer1.0-0, libpulse0, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, espeak-ng-data")
# Qt's translations give its own buttons and dialogs the Chinese of the interface.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-wqy-microhei, qt6-translations-l10n, apertium, apertium-eng-spa")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "apertium-en-ca, apertium-fr-es, apertium-es-pt, apertium-eo-en")
include(CPack)
