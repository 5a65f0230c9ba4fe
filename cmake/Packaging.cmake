# The desktop install: menu entry (its icon: tools/iconsvg), and a .deb built by CPack
# (scripts/package.sh).
install(FILES ${PROJECT_SOURCE_DIR}/data/quorvex.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

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
install(FILES ${QUORVEX_CHANGELOG} ${PROJECT_SOURCE_DIR}/data/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvex)
if(TARGET tsremote-bridge)
    install(FILES ${QUORVEX_CHANGELOG} ${PROJECT_SOURCE_DIR}/data/copyright
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvex-bridge COMPONENT bridge)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvex)
set(CPACK_PACKAGE_VENDOR "Quorvex-Team")
set(CPACK_PACKAGE_CONTACT "Quorvex-Team <feedback@quorvex.example>")
# Each package's description, its first line the summary. One string: set() would join
# quoted parts with ";", which apt then shows.
string(CONCAT CPACK_DEBIAN_MAIN_DESCRIPTION
       "radio gateway for the TeamSpeak 2 voice client\n"
       "Quorvex turns a PC beside a radio transceiver into a radio gateway for a\n"
       "voice-chat client. While another player speaks in the client, it keys the\n"
       "transmitter through the RTS or DTR line of a serial port, holds it for a hang\n"
       "time, and a watchdog cuts and blocks keying after too many minutes of sending.\n"
       "It also offers a DTMF keypad and recognizer, an hourly beacon, auto-away, a\n"
       "kick dialog, user statistics and login links. The user interface is German.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# No debug symbols in the package. (No ldconfig calls either: CPack writes them only for
# libraries directly below lib/, and ours lies in QUORVEX_PRIVATE_LIBDIR.)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
# The libraries the binaries link come from dpkg-shlibdeps; what they start comes here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# (The transmission log's SQLite driver is a Qt plugin, loaded, not linked.)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, pulseaudio | pipewire-pulse")
# The 32-bit bridge in a package of its own: only it pulls in the i386 runtime.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL main)
set(CPACK_DEBIAN_MAIN_PACKAGE_NAME quorvex)
set(CPACK_DEBIAN_MAIN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_MAIN_PACKAGE_SUGGESTS mumble)
# Qt's Wayland platform, for a user who chooses it on a Wayland session.
set(CPACK_DEBIAN_MAIN_PACKAGE_RECOMMENDS qt6-wayland)
if(TARGET tsremote-bridge)
    list(APPEND CPACK_COMPONENTS_ALL bridge)
    set(CPACK_DEBIAN_BRIDGE_PACKAGE_NAME quorvex-bridge)
    set(CPACK_DEBIAN_BRIDGE_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_BRIDGE_PACKAGE_DEPENDS "quorvex (= ${PROJECT_VERSION})")
    set(CPACK_DEBIAN_MAIN_PACKAGE_SUGGESTS "quorvex-bridge, mumble")
    string(CONCAT CPACK_DEBIAN_BRIDGE_DESCRIPTION
           "bridge from Quorvex to the TeamSpeak 2 client's 32-bit library\n"
           "The TeamSpeak 2 client for Linux and its remote-control library are 32-bit\n"
           "programs. tsremote-bridge loads that library and serves it on the socket\n"
           "Quorvex's own libTSRemote.so speaks, so Quorvex works with the real client.")
endif()
include(CPack)

# Manual pages, made by help2man from each command's own --help and --version, so the
# program's usage text is their one source; compressed as Debian wants them.
find_program(QUORVEX_HELP2MAN help2man)
if(QUORVEX_HELP2MAN)
    set(QUORVEX_MAN_PAGES)
    foreach(entry "quorvex|radio gateway for a voice-chat client"
                  "tsini|read and write one key of Quorvex's ts.ini"
                  "ts2sim|simulated TeamSpeak 2 client for Quorvex's demo and tests"
                  "dtmfdecode|decode DTMF digits from a sound file or raw audio"
                  "tsremote-bridge|serve the TeamSpeak 2 client's 32-bit library to Quorvex")
        string(REPLACE "|" ";" parts "${entry}")
        list(GET parts 0 command)
        list(GET parts 1 summary)
        if(NOT TARGET ${command})
            continue()
        endif()
        # The i386 bridge may not run on the build host: its host build prints the same text.
        set(binary ${command})
        if(command STREQUAL "tsremote-bridge")
            set(binary tsremote-bridge-host)
        endif()
        set(page ${CMAKE_BINARY_DIR}/man/${command}.1.gz)
        add_custom_command(
            OUTPUT ${page}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
            COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                    ${QUORVEX_HELP2MAN} --no-info --section=1 --name=${summary}
                    --output=${CMAKE_BINARY_DIR}/man/${command}.1 $<TARGET_FILE:${binary}>
            COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/man/${command}.1
            DEPENDS ${binary}
            VERBATIM)
        list(APPEND QUORVEX_MAN_PAGES ${page})
        if(command STREQUAL "tsremote-bridge")
            install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT bridge)
        else()
            install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
        endif()
    endforeach()
    add_custom_target(quorvex_man_pages ALL DEPENDS ${QUORVEX_MAN_PAGES})
else()
    message(STATUS "No manual pages: help2man is missing (Debian package help2man)")
endif()

# What software centres list: the AppStream metainfo.
install(FILES ${PROJECT_SOURCE_DIR}/data/quorvex.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME example.quorvex.Quorvex.metainfo.xml)
