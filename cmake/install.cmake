# SPDX-License-Identifier: GPL-3.0-or-later
# make install: the two programs, the desktop entry, the icon in every size and the AppStream metainfo under
# one prefix (default ~/.local, the user's own; `make install PREFIX=/usr/local` for all users).
#   <prefix>/bin/nemora, nemora-cli
#   <prefix>/share/applications/<id>.desktop
#   <prefix>/share/metainfo/<id>.metainfo.xml
#   <prefix>/share/icons/hicolor/<size>/apps/<id>.png and scalable/apps/<id>.svg
#   <prefix>/share/nemora/  the screenshot; its presence marks the installed layout, so the program keeps
#                           its settings and logs in the XDG data directory instead of beside itself
include(GNUInstallDirs)

# The reverse-DNS name under which the desktop knows the program, and the web home the metainfo points to.
set(NEMORA_APP_ID "org.nemora.Nemora" CACHE STRING "Desktop and AppStream id")
set(NEMORA_WEB_URL "https://nemora.invalid" CACHE STRING "Home page named in the AppStream metainfo")

set(desktop_dir ${CMAKE_BINARY_DIR}/desktop)
configure_file(${CMAKE_SOURCE_DIR}/resources/desktop/nemora.desktop.in ${desktop_dir}/${NEMORA_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/desktop/nemora.metainfo.xml.in
               ${desktop_dir}/${NEMORA_APP_ID}.metainfo.xml @ONLY)

if(TARGET nemora)
  install(TARGETS nemora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET nemora-cli)
  install(TARGETS nemora-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${desktop_dir}/${NEMORA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${desktop_dir}/${NEMORA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/nemora-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${NEMORA_APP_ID}.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/nemora.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${NEMORA_APP_ID}.svg)
install(FILES ${CMAKE_SOURCE_DIR}/docs/main-window.png DESTINATION ${CMAKE_INSTALL_DATADIR}/nemora/screenshots)
