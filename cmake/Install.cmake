# Installing and packaging. Linux: the program where XScreenSaver looks for
# its hacks, the hack descriptor in the daemon's config folder, the shipped art
# in share/meadowglow/ (copied into each user's folder on first start), and a
# Debian package of the same. Windows: a per-user NSIS installer, built when
# makensis is present.
if(NOT WIN32)
  include(GNUInstallDirs)
  set(MEADOWGLOW_HACK_DIR "${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver" CACHE STRING
      "Folder, below the prefix, that XScreenSaver runs its hacks from")
  set(MEADOWGLOW_HACK_CONFIG_DIR "${CMAKE_INSTALL_DATADIR}/xscreensaver/config" CACHE STRING
      "Folder, below the prefix, of XScreenSaver's hack descriptors")
  install(TARGETS meadowglow RUNTIME DESTINATION ${MEADOWGLOW_HACK_DIR})
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/linux/meadowglow.xml DESTINATION ${MEADOWGLOW_HACK_CONFIG_DIR})
  install(FILES ${MG_ASSETS} DESTINATION ${CMAKE_INSTALL_DATADIR}/meadowglow)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME meadowglow)
  set(CPACK_PACKAGE_VERSION 1.0.0)
  set(CPACK_PACKAGE_CONTACT "Meadowglow developers <meadowglow@localhost>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3-D OpenGL screen saver with critters, stars and your pictures")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION x11)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver")
  include(CPack)
else()
  find_program(MAKENSIS makensis)
  if(MAKENSIS)
    set(MG_INSTALLER ${CMAKE_BINARY_DIR}/MeadowglowSetup.exe)
    set(MG_NSI ${CMAKE_SOURCE_DIR}/packaging/windows/Meadowglow.nsi)
    add_custom_command(OUTPUT ${MG_INSTALLER}
      COMMAND ${MAKENSIS} -V2 -DSCR_FILE=$<TARGET_FILE:meadowglow_scr> -DART_DIR=${CMAKE_SOURCE_DIR}/assets
              -DOUT_FILE=${MG_INSTALLER} ${MG_NSI}
      DEPENDS meadowglow_scr ${MG_NSI} ${MG_ASSETS}
      COMMENT "Building the Windows installer")
    add_custom_target(meadowglow_installer ALL DEPENDS ${MG_INSTALLER})
  else()
    message(STATUS "makensis not found: the Windows installer is not built")
  endif()
endif()
