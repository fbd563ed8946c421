# The install step (cmake --install, make install PREFIX=...), in the usual layout of a
# Linux desktop program:
#   bin/                          quillon, quillon-cli
#   share/quillon/                the shipped data (see resources/CMakeLists.txt)
#   share/applications/           the desktop entry ("Open with" for Visual Basic sources)
#   share/mime/packages/          the MIME types of those sources
#   share/metainfo/               the AppStream description
#   share/icons/hicolor/          the icon, scalable and at 48 and 256 pixels
#   share/man/man1/, share/bash-completion/completions/   when the sources have them
# Installed, the programs find their data through bin/../share/quillon, so the tree may be
# moved as a whole; they write into the user's own folder ($XDG_DATA_HOME/quillon).
include(GNUInstallDirs)

set(QUILLON_APP_ID org.example.quillon)
set(QUILLON_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

set(quillon_programs quillon-cli)
if(TARGET quillon)
    list(APPEND quillon_programs quillon)
endif()
install(TARGETS ${quillon_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(TARGET quillon)
    install(FILES ${QUILLON_PACKAGING_DIR}/${QUILLON_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${QUILLON_PACKAGING_DIR}/${QUILLON_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${QUILLON_PACKAGING_DIR}/${QUILLON_APP_ID}.mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${QUILLON_APP_ID}.xml)
    set(icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    install(FILES ${QUILLON_PACKAGING_DIR}/icons/quillon.svg
        DESTINATION ${icons}/scalable/apps RENAME ${QUILLON_APP_ID}.svg)
    foreach(size 48 256)
        install(FILES ${QUILLON_PACKAGING_DIR}/icons/quillon-${size}.png
            DESTINATION ${icons}/${size}x${size}/apps RENAME ${QUILLON_APP_ID}.png)
    endforeach()
endif()

# The manual page and the shell completion of quillon-cli come with the command line's own
# sources; each is installed once it is there.
set(quillon_man_page ${PROJECT_SOURCE_DIR}/docs/man/quillon-cli.1)
if(EXISTS ${quillon_man_page})
    install(FILES ${quillon_man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
set(quillon_completion ${QUILLON_PACKAGING_DIR}/completion/quillon-cli.bash)
if(EXISTS ${quillon_completion})
    install(FILES ${quillon_completion}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quillon-cli)
endif()
