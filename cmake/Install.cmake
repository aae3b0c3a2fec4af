# Installation as a Linux desktop program: the programs in bin/, their own files in
# share/quorvel/ (where they find them as ../share/quorvel), a menu entry, an icon and the
# man page of quorvel; `cpack -G DEB` in the release build makes a Debian package of it.
include(GNUInstallDirs)
set(QUORVEL_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/quorvel)

install(TARGETS quorvel carerunner RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET vantrel)
    install(TARGETS vantrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/quorvel-utilities.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/data/skins/Default/appicon.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME quorvel-utilities.svg)
endif()
foreach(folder data languages demo skins help)
    install(DIRECTORY ${QUORVEL_BIN_DIR}/${folder} DESTINATION ${QUORVEL_SHARE_DIR}
        USE_SOURCE_PERMISSIONS OPTIONAL)
endforeach()

# The man page is made from the program's own --help.
find_program(HELP2MAN help2man)
if(HELP2MAN)
    set(QUORVEL_MAN_PAGE ${CMAKE_BINARY_DIR}/man/quorvel.1)
    add_custom_command(OUTPUT ${QUORVEL_MAN_PAGE}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${HELP2MAN} --no-info --no-discard-stderr
            --name "maintain the Windows environments of Wine from the command line"
            --output ${QUORVEL_MAN_PAGE} $<TARGET_FILE:quorvel>
        DEPENDS quorvel
        COMMENT "Making the man page of quorvel")
    add_custom_target(quorvel_man ALL DEPENDS ${QUORVEL_MAN_PAGE})
    install(FILES ${QUORVEL_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME quorvel-utilities)
set(CPACK_PACKAGE_VENDOR QuorvelSoft)
set(CPACK_PACKAGE_CONTACT "Quorvel Utilities developers <developers@quorvel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "PC maintenance for Wine prefixes: registry, shortcuts, startup and junk, backed up first")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS wine)
include(CPack)
