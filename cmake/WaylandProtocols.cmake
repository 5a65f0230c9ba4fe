# The Wayland idle protocols, as client code made by wayland-scanner from the XML files
# Debian ships (wayland-protocols, plasma-wayland-protocols): a library of their own.
pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
find_file(KDE_IDLE_XML idle.xml PATHS /usr/share/plasma-wayland-protocols REQUIRED NO_DEFAULT_PATH)

set(protocol_dir ${CMAKE_BINARY_DIR}/wayland-protocols)
file(MAKE_DIRECTORY ${protocol_dir})
set(protocol_sources)
foreach(pair "ext-idle-notify-v1|${WAYLAND_PROTOCOLS_DIR}/staging/ext-idle-notify/ext-idle-notify-v1.xml"
             "kde-idle|${KDE_IDLE_XML}")
    string(REPLACE "|" ";" pair "${pair}")
    list(GET pair 0 name)
    list(GET pair 1 xml)
    add_custom_command(
        OUTPUT ${protocol_dir}/${name}-client.h ${protocol_dir}/${name}.c
        COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${protocol_dir}/${name}-client.h
        COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${protocol_dir}/${name}.c
        DEPENDS ${xml} VERBATIM)
    list(APPEND protocol_sources ${protocol_dir}/${name}-client.h ${protocol_dir}/${name}.c)
endforeach()
add_library(quorvex_wayland_protocols STATIC ${protocol_sources})
target_include_directories(quorvex_wayland_protocols PUBLIC ${protocol_dir})
target_link_libraries(quorvex_wayland_protocols PUBLIC PkgConfig::WAYLAND_CLIENT)
set_target_properties(quorvex_wayland_protocols PROPERTIES POSITION_INDEPENDENT_CODE ON
                                                           AUTOMOC OFF UNITY_BUILD OFF)

# The same protocol's server side, for a test's stand-in compositor.
if(QUORVEX_BUILD_TESTS)
    pkg_check_modules(WAYLAND_SERVER REQUIRED IMPORTED_TARGET wayland-server)
    set(ext_xml ${WAYLAND_PROTOCOLS_DIR}/staging/ext-idle-notify/ext-idle-notify-v1.xml)
    add_custom_command(
        OUTPUT ${protocol_dir}/ext-idle-notify-v1-server.h
        COMMAND ${WAYLAND_SCANNER} server-header ${ext_xml} ${protocol_dir}/ext-idle-notify-v1-server.h
        DEPENDS ${ext_xml} VERBATIM)
    add_custom_target(quorvex_wayland_server_header DEPENDS ${protocol_dir}/ext-idle-notify-v1-server.h)
endif()
