# The desktop install: menu entry, icon, and a .deb built by CPack (scripts/package.sh).
install(FILES ${PROJECT_SOURCE_DIR}/data/quorvex.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/quorvex.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvex)
set(CPACK_PACKAGE_VENDOR "Quorvex-Team")
set(CPACK_PACKAGE_CONTACT "Quorvex-Team <feedback@quorvex.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Radio gateway for the TeamSpeak 2 client")
set(CPACK_PACKAGE_DESCRIPTION
    "Keys a transmitter through the RTS or DTR line of a serial port while another player\n"
    "speaks in the TeamSpeak 2 client, with hang time and watchdog, a DTMF keypad, an\n"
    "hourly beacon and login links. German user interface.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
# The libraries the binaries link come from dpkg-shlibdeps; what they start comes here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, pulseaudio | pipewire-pulse")
include(CPack)
