# The desktop install: menu entry, icon, and a .deb built by CPack (scripts/package.sh).
install(FILES ${PROJECT_SOURCE_DIR}/data/quorvex.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/quorvex.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The package's changelog, compressed at build time.
set(QUORVEX_CHANGELOG ${CMAKE_BINARY_DIR}/changelog.gz)
string(TIMESTAMP QUORVEX_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${CMAKE_BINARY_DIR}/changelog.txt
     "quorvex (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
     "  * Release ${QUORVEX_VERSION_TEXT}.\n\n"
     " -- Quorvex-Team <feedback@quorvex.example>  ${QUORVEX_CHANGELOG_DATE}\n")
add_custom_command(OUTPUT ${QUORVEX_CHANGELOG}
                   COMMAND gzip -9n -c ${CMAKE_BINARY_DIR}/changelog.txt > ${QUORVEX_CHANGELOG}
                   DEPENDS ${CMAKE_BINARY_DIR}/changelog.txt)
add_custom_target(quorvex_changelog ALL DEPENDS ${QUORVEX_CHANGELOG})
install(FILES ${QUORVEX_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvex)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvex)
set(CPACK_PACKAGE_VENDOR "Quorvex-Team")
set(CPACK_PACKAGE_CONTACT "Quorvex-Team <feedback@quorvex.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "radio gateway for the TeamSpeak 2 voice client")
# One string: set() would join quoted parts with ";", which apt then shows.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Quorvex turns a PC beside a radio transceiver into a radio gateway for a\n"
       "voice-chat client. While another player speaks in the client, it keys the\n"
       "transmitter through the RTS or DTR line of a serial port, holds it for a hang\n"
       "time, and a watchdog cuts and blocks keying after too many minutes of sending.\n"
       "It also offers a DTMF keypad and recognizer, an hourly beacon, auto-away, a\n"
       "kick dialog, user statistics and login links. The user interface is German.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# No debug symbols in the package, and no ldconfig trigger: the one shared library lies
# in a private folder.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
# The libraries the binaries link come from dpkg-shlibdeps; what they start comes here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, pulseaudio | pipewire-pulse")
include(CPack)
