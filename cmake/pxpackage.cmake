# Installation and the Debian packages.
#
# pxrq60: the program and everything it loads from beside it in
# /usr/lib/pxrq60 (RUNPATH $ORIGIN; the program finds its folder through
# /proc/self/exe, so the link /usr/bin/pxrq60 works), desktop entry, icon,
# AppStream data, man page, and maintainer scripts for the shared settings
# directory. pxrq60-sim: the device simulator, for training and trying
# without a device.
#
#   cmake --build build --target package     -> build/pxrq60_<v>_amd64.deb, pxrq60-sim_<v>_amd64.deb

set(PX_PROGRAM_DIR lib/pxrq60)
set(PX_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(PX_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
set(PX_MAINTAINER "PXRQ60 developers <pxrq60@example.org>")

string(TIMESTAMP PX_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP PX_RELEASE_DATE_RFC2822 "%a, %d %b %Y %H:%M:%S +0000" UTC)

if(TARGET pxrq60)
  install(TARGETS pxrq60 RUNTIME DESTINATION ${PX_PROGRAM_DIR} COMPONENT main)
  foreach(lib sline_32 pcola_32 pcolb_32 pxrq60DE pxrq60EN)
    if(TARGET ${lib})
      install(TARGETS ${lib} LIBRARY DESTINATION ${PX_PROGRAM_DIR} COMPONENT main)
    endif()
  endforeach()
  # Whatever help files the build put beside the program, looked for when
  # installing (the help build may come and go independently).
  install(DIRECTORY ${PX_BIN_DIR}/ DESTINATION ${PX_PROGRAM_DIR} COMPONENT main
    FILES_MATCHING PATTERN "*.qch" PATTERN "*.qhc")
  file(MAKE_DIRECTORY ${PX_PACKAGING_OUT}/bin)
  file(CREATE_LINK ../${PX_PROGRAM_DIR}/pxrq60 ${PX_PACKAGING_OUT}/bin/pxrq60 SYMBOLIC)
  install(FILES ${PX_PACKAGING_OUT}/bin/pxrq60 DESTINATION bin COMPONENT main)
  # The desktop entry and the AppStream data carry the program's reverse-DNS
  # id; the window names the same id (QGuiApplication::desktopFileName), so
  # the desktop matches the running window to its entry and icon.
  install(FILES ${PX_PACKAGING}/${PX_APP_ID}.desktop DESTINATION share/applications
    COMPONENT main)
  install(FILES ${PX_PACKAGING}/pxrq60.svg DESTINATION share/icons/hicolor/scalable/apps
    COMPONENT main)
  # PNGs in the theme's sizes for desktops and menus that draw no SVG;
  # rendered from the SVG by tools/icons.sh and committed.
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${PX_PACKAGING}/icons/${size}x${size}/pxrq60.png
      DESTINATION share/icons/hicolor/${size}x${size}/apps COMPONENT main)
  endforeach()
  configure_file(${PX_PACKAGING}/${PX_APP_ID}.metainfo.xml
    ${PX_PACKAGING_OUT}/${PX_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${PX_PACKAGING_OUT}/${PX_APP_ID}.metainfo.xml DESTINATION share/metainfo
    COMPONENT main)
endif()
if(TARGET rq60sim)
  install(TARGETS rq60sim RUNTIME DESTINATION bin COMPONENT sim)
endif()

# Man pages, changelogs and copyright of both packages, compressed as
# Debian wants them (gzip -n: no time stamp, the same bytes every build).
find_program(PX_GZIP gzip REQUIRED)
set(px_doc_outputs)
foreach(pkg main sim)
  if(pkg STREQUAL "main")
    set(name pxrq60)
    set(page pxrq60.1)
  else()
    set(name pxrq60-sim)
    set(page rq60sim.1)
  endif()
  configure_file(${PX_PACKAGING}/${page} ${PX_PACKAGING_OUT}/${page} @ONLY)
  configure_file(${PX_PACKAGING}/changelog.in ${PX_PACKAGING_OUT}/doc/${name}/changelog @ONLY)
  add_custom_command(OUTPUT ${PX_PACKAGING_OUT}/${page}.gz
    COMMAND ${PX_GZIP} -9nc ${PX_PACKAGING_OUT}/${page} > ${PX_PACKAGING_OUT}/${page}.gz
    DEPENDS ${PX_PACKAGING_OUT}/${page})
  add_custom_command(OUTPUT ${PX_PACKAGING_OUT}/doc/${name}/changelog.gz
    COMMAND ${PX_GZIP} -9nc ${PX_PACKAGING_OUT}/doc/${name}/changelog > ${PX_PACKAGING_OUT}/doc/${name}/changelog.gz
    DEPENDS ${PX_PACKAGING_OUT}/doc/${name}/changelog)
  list(APPEND px_doc_outputs ${PX_PACKAGING_OUT}/${page}.gz ${PX_PACKAGING_OUT}/doc/${name}/changelog.gz)
  if(pkg STREQUAL "main")
    # The README: building, the serial ports, the shared settings folder,
    # printing to PDF, logging.
    add_custom_command(OUTPUT ${PX_PACKAGING_OUT}/doc/${name}/README.md.gz
      COMMAND ${PX_GZIP} -9nc ${CMAKE_SOURCE_DIR}/README.md > ${PX_PACKAGING_OUT}/doc/${name}/README.md.gz
      DEPENDS ${CMAKE_SOURCE_DIR}/README.md)
    list(APPEND px_doc_outputs ${PX_PACKAGING_OUT}/doc/${name}/README.md.gz)
    install(FILES ${PX_PACKAGING_OUT}/doc/${name}/README.md.gz DESTINATION share/doc/${name}
      COMPONENT main)
  endif()
  install(FILES ${PX_PACKAGING_OUT}/${page}.gz DESTINATION share/man/man1 COMPONENT ${pkg})
  install(FILES ${PX_PACKAGING_OUT}/doc/${name}/changelog.gz ${PX_PACKAGING}/copyright
    DESTINATION share/doc/${name} COMPONENT ${pkg})
endforeach()

# The purge step knows the default settings file by its checksum: the
# program's own default lines for /var/lib/pxrq60.
if(TARGET pxdefaultini)
  add_custom_command(OUTPUT ${PX_PACKAGING_OUT}/postrm
    COMMAND $<TARGET_FILE:pxdefaultini> /var/lib/pxrq60 > ${PX_PACKAGING_OUT}/PXRQ60.INI.default
    COMMAND ${CMAKE_COMMAND} -DIN=${PX_PACKAGING}/postrm.in -DOUT=${PX_PACKAGING_OUT}/postrm
      -DDEFAULT=${PX_PACKAGING_OUT}/PXRQ60.INI.default -P ${CMAKE_SOURCE_DIR}/cmake/pxpostrm.cmake
    DEPENDS pxdefaultini ${PX_PACKAGING}/postrm.in ${CMAKE_SOURCE_DIR}/cmake/pxpostrm.cmake)
  list(APPEND px_doc_outputs ${PX_PACKAGING_OUT}/postrm)
endif()
add_custom_target(packaging_files ALL DEPENDS ${px_doc_outputs})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pxrq60)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${PX_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL main sim)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${PX_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_MAIN_PACKAGE_NAME pxrq60)
set(CPACK_DEBIAN_MAIN_PACKAGE_SECTION electronics)
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's own texts in
# the chosen language, and the SQLite driver the help engine reads the help
# files with.
set(CPACK_DEBIAN_MAIN_PACKAGE_DEPENDS "qt6-translations-l10n, libqt6sql6-sqlite")
set(CPACK_DEBIAN_MAIN_PACKAGE_SUGGESTS "pxrq60-sim")
set(CPACK_COMPONENT_MAIN_DESCRIPTION "service and parameterisation tool for RQ-60 volume correctors
A service technician connects the RQ-60, a battery-powered gas volume
corrector, over a serial line and reads its identification, clock,
counters, parameters and status, writes back what the device's locks
allow, reads and exports the archive, calibrates the temperature input,
resets the counters and sets the battery capacity.")
set(CPACK_DEBIAN_MAIN_PACKAGE_CONTROL_EXTRA
  ${PX_PACKAGING}/postinst ${PX_PACKAGING_OUT}/postrm)
set(CPACK_DEBIAN_SIM_PACKAGE_NAME pxrq60-sim)
set(CPACK_DEBIAN_SIM_PACKAGE_SECTION electronics)
set(CPACK_COMPONENT_SIM_DESCRIPTION "simulated RQ-60 volume corrector for pxrq60
rq60sim behaves as an RQ-60 of either device generation behind a
pseudo-terminal, for training and for trying pxrq60 without a device.")
include(CPack)
