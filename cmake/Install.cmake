# cmake --install: the programs in bin, the folders they bring (help, Textures/Galaxy,
# Library) in share/skyloom, which ProgramDataFolder() finds from the executable, and the
# desktop entry, icons and AppStream metainfo where desktops look for them.
include(GNUInstallDirs)

set(SKYLOOM_APP_ID com.vantrel.Skyloom)
set(SKYLOOM_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/skyloom)
# The data folder as seen from the programs' folder, so that an installed tree works
# wherever its prefix is.
file(RELATIVE_PATH SKYLOOM_DATA_FROM_BIN "/${CMAKE_INSTALL_BINDIR}" "/${SKYLOOM_INSTALL_DATADIR}")
set_source_files_properties(document/DataFolders.cpp PROPERTIES
    COMPILE_DEFINITIONS "SKYLOOM_DATA_FROM_BIN=\"${SKYLOOM_DATA_FROM_BIN}\"")

install(TARGETS skyloom skyloom-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${SKYLOOM_HELP_DIR}/ DESTINATION ${SKYLOOM_INSTALL_DATADIR}/help)
install(DIRECTORY ${SKYLOOM_GALAXY_TEXTURE_DIR}/ DESTINATION ${SKYLOOM_INSTALL_DATADIR}/Textures/Galaxy)
install(DIRECTORY ${SKYLOOM_LIBRARY_DIR}/ DESTINATION ${SKYLOOM_INSTALL_DATADIR}/Library)

set(SKYLOOM_DESKTOP_DIR ${CMAKE_CURRENT_SOURCE_DIR}/res/desktop)
install(FILES ${SKYLOOM_DESKTOP_DIR}/${SKYLOOM_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${SKYLOOM_DESKTOP_DIR}/${SKYLOOM_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
    install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/res/icons/skyloom-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${SKYLOOM_APP_ID}.png)
endforeach()
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/res/icons/skyloom.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${SKYLOOM_APP_ID}.svg)
