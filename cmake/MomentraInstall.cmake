# What `cmake --install` puts on the system besides the executable, and the
# Debian package built from it (scripts/package.sh runs CPack):
#   share/applications/app.momentra.Momentra.desktop      the launcher
#   share/metainfo/app.momentra.Momentra.metainfo.xml     software centres (AppStream)
#   share/dbus-1/services/app.momentra.Momentra.service   D-Bus activation of the tray application
#   share/dbus-1/services/app.momentra.Momentra.Search.service   … and of the desktop's search service
#   share/gnome-shell/search-providers/app.momentra.Momentra.search-provider.ini   GNOME Shell's search
#   share/krunner/dbusplugins/app.momentra.Momentra.desktop                        KRunner (KDE Plasma)
#   lib/systemd/user/momentra.service                     `momentra run` for desktops without a tray
#   share/icons/hicolor/…                                 the application and tray icons
#   share/momentra/kwin/momentra-active-window.js         the KWin script that reports the active window
#   share/gnome-shell/extensions/momentra@app.momentra/   the GNOME Shell extension that does the same
include(GNUInstallDirs)

set(MOMENTRA_APP_ID app.momentra.Momentra)
set(MOMENTRA_RELEASE_DATE 2026-12-06)  # the day PROJECT_VERSION was released
# Software centres fetch the screenshots from the web. Momentra has no homepage; its screenshots are
# published with the source, so point this at the docs/screenshots folder of the published repository.
set(MOMENTRA_SCREENSHOT_URL "https://raw.githubusercontent.com/momentra/momentra/main/docs/screenshots"
    CACHE STRING "Where the screenshots of docs/screenshots are published (https, no trailing slash)")

set(data ${CMAKE_SOURCE_DIR}/data)
set(staged ${CMAKE_BINARY_DIR}/data)

install(FILES ${data}/${MOMENTRA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${data}/${MOMENTRA_APP_ID}.metainfo.xml.in ${staged}/${MOMENTRA_APP_ID}.metainfo.xml @ONLY)
install(FILES ${staged}/${MOMENTRA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/momentra)
install(FILES ${data}/${MOMENTRA_APP_ID}.search-provider.ini DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/search-providers)
install(FILES ${data}/${MOMENTRA_APP_ID}.krunner.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/krunner/dbusplugins
        RENAME ${MOMENTRA_APP_ID}.desktop)

# How KDE Plasma and GNOME tell Momentra the active app on Wayland. The KWin script is also copied into
# the build folder's share/, where a momentra run from the build folder finds it as it does when installed.
install(FILES ${data}/kwin/momentra-active-window.js DESTINATION ${CMAKE_INSTALL_DATADIR}/momentra/kwin)
configure_file(${data}/kwin/momentra-active-window.js ${CMAKE_BINARY_DIR}/share/momentra/kwin/momentra-active-window.js
               COPYONLY)
install(DIRECTORY ${data}/gnome-shell/extensions/momentra@app.momentra
        DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions)

# The D-Bus services and the systemd unit name the installed executable by its absolute path. The prefix
# is only known when installing (CPack installs into /usr, `cmake --install --prefix` anywhere), so they
# are filled in then.
install(CODE "
  set(MOMENTRA_INSTALLED_EXECUTABLE \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/momentra\")
  set(MOMENTRA_INSTALLED_DOCS \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/doc/momentra\")
  configure_file(${data}/${MOMENTRA_APP_ID}.service.in ${staged}/installed/${MOMENTRA_APP_ID}.service @ONLY)
  configure_file(${data}/${MOMENTRA_APP_ID}.Search.service.in ${staged}/installed/${MOMENTRA_APP_ID}.Search.service
                 @ONLY)
  configure_file(${data}/momentra.service.in ${staged}/installed/momentra.service @ONLY)
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/dbus-1/services\"
       TYPE FILE FILES ${staged}/installed/${MOMENTRA_APP_ID}.service
                       ${staged}/installed/${MOMENTRA_APP_ID}.Search.service)
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/user\"
       TYPE FILE FILES ${staged}/installed/momentra.service)
")

# Icons (icon theme specification, hicolor): the application in scalable/apps, its one-colour variant in
# symbolic/apps; the tray's states, full colour and -symbolic, in scalable/status; PNGs of the
# application icon for launchers that do not draw SVG, rendered at build time.
set(icons ${data}/icons)
set(hicolor ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${icons}/${MOMENTRA_APP_ID}.svg DESTINATION ${hicolor}/scalable/apps)
install(FILES ${icons}/${MOMENTRA_APP_ID}-symbolic.svg DESTINATION ${hicolor}/symbolic/apps)
foreach(state idle capturing attention)
  install(FILES ${icons}/momentra-${state}.svg ${icons}/momentra-${state}-symbolic.svg
          DESTINATION ${hicolor}/scalable/status)
endforeach()

find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(pngs)
foreach(size 16 22 24 32 48 64 128 256)
  set(png ${staged}/icons/${size}x${size}/${MOMENTRA_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${staged}/icons/${size}x${size}
    COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${icons}/${MOMENTRA_APP_ID}.svg
    DEPENDS ${icons}/${MOMENTRA_APP_ID}.svg
    COMMENT "Rendering the ${size}x${size} application icon"
    VERBATIM)
  list(APPEND pngs ${png})
  install(FILES ${png} DESTINATION ${hicolor}/${size}x${size}/apps)
endforeach()
add_custom_target(momentra_icons ALL DEPENDS ${pngs})

# The Debian package. Its Depends come from the libraries the executable links (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME momentra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Momentra developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps a visual record of your day")
set(CPACK_PACKAGE_DESCRIPTION
    "Momentra takes a screenshot of every display on a timer into one folder per day, pauses by itself\n"
    "while the machine sleeps, the screen is locked, you are idle or the disk is nearly full, cleans up\n"
    "old screenshots, makes them searchable by their text, and turns days into timelapse videos. It lives\n"
    "in the tray; everything stays on your machine.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # momentra_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Text recognition needs a language's data; a tray host is what most desktops but GNOME have.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "tesseract-ocr-eng")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnome-shell-extension-appindicator")
include(CPack)
