# Install rules: the program, its data folder and, on freedesktop systems, the desktop entry,
# the record file type, icons, AppStream metadata, man page and package documentation.
#
# The program looks for its data beside the executable first (a portable folder, as the build
# folder is) and in <prefix>/share/marklog otherwise; at start it registers the record file type
# for the user unless <prefix>/share/applications/marklog.desktop and
# <prefix>/share/mime/packages/marklog.xml exist, so those two names must not change.

include(GNUInstallDirs)

set(MARKLOG_DATA ${PROJECT_SOURCE_DIR}/data)
# Independent of the installing user's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
    # The file-type icon the registry names lives beside the executable, also in the build folder;
    # other systems take the type's icon from the icon theme.
    configure_file(${MARKLOG_DATA}/stn.ico ${PROJECT_BINARY_DIR}/stn.ico COPYONLY)
    # A portable folder: everything beside Marklog.exe.
    install(TARGETS marklog RUNTIME DESTINATION .)
    install(FILES ${MARKLOG_DATA}/sound.wav ${MARKLOG_DATA}/stn.ico DESTINATION .)
    install(DIRECTORY ${MARKLOG_DATA}/guide DESTINATION .)
    return()
endif()

set(MARKLOG_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/marklog)
install(TARGETS marklog RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${MARKLOG_DATA}/sound.wav ${MARKLOG_DATA}/icons/marklog.svg DESTINATION ${MARKLOG_INSTALL_DATADIR})
install(DIRECTORY ${MARKLOG_DATA}/guide DESTINATION ${MARKLOG_INSTALL_DATADIR})
# The language tables are built into the program. Installed copies would take their place in
# every Marklog on the machine, development builds included, so share/marklog/lang is left to
# tables a user adds.

install(FILES ${MARKLOG_DATA}/marklog.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${MARKLOG_DATA}/marklog-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME marklog.xml)
install(FILES ${MARKLOG_DATA}/org.example.marklog.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${MARKLOG_DATA}/icons/marklog.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
    install(FILES ${MARKLOG_DATA}/icons/marklog-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME marklog.png)
endforeach()

include(${CMAKE_CURRENT_LIST_DIR}/PackageDocs.cmake)
