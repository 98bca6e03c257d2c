# Installing and packaging. Linux: the program where XScreenSaver looks for
# its hacks, the hack descriptor in the daemon's config folder, the shipped art
# in share/meadowglow/ (copied into each user's folder on first start), the
# settings program with its menu entry and icons, and a Debian package of the
# same. Windows: a per-user NSIS installer, built when
# makensis is present.
if(NOT WIN32)
  include(GNUInstallDirs)
  set(MEADOWGLOW_HACK_DIR "${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver" CACHE STRING
      "Folder, below the prefix, that XScreenSaver runs its hacks from")
  set(MEADOWGLOW_HACK_CONFIG_DIR "${CMAKE_INSTALL_DATADIR}/xscreensaver/config" CACHE STRING
      "Folder, below the prefix, of XScreenSaver's hack descriptors")
  # The download helper sits beside the saver, where the saver looks for it.
  install(TARGETS meadowglow meadowglow-fetch RUNTIME DESTINATION ${MEADOWGLOW_HACK_DIR})
  # "/c" finds the settings program from the installed saver by this path,
  # whatever prefix the package is installed under.
  file(RELATIVE_PATH MG_HACK_TO_BINDIR /prefix/${MEADOWGLOW_HACK_DIR} /prefix/${CMAKE_INSTALL_BINDIR})
  set_source_files_properties(${CMAKE_SOURCE_DIR}/app/x11/RunModes.cpp PROPERTIES
    COMPILE_DEFINITIONS "MG_HACK_TO_BINDIR=\"${MG_HACK_TO_BINDIR}\"")
  # And the settings program finds the saver for its preview the other way.
  file(RELATIVE_PATH MG_BINDIR_TO_HACK /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${MEADOWGLOW_HACK_DIR})
  set_source_files_properties(${CMAKE_SOURCE_DIR}/config_dialog/gtk/main.cpp PROPERTIES
    COMPILE_DEFINITIONS "MG_BINDIR_TO_HACK=\"${MG_BINDIR_TO_HACK}\"")
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/linux/meadowglow.xml DESTINATION ${MEADOWGLOW_HACK_CONFIG_DIR})
  install(FILES ${MG_ASSETS} DESTINATION ${CMAKE_INSTALL_DATADIR}/meadowglow)
  # The settings program, its menu entry and its icon in every drawn size.
  install(TARGETS meadowglow-settings RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/linux/meadowglow-settings.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME meadowglow)
  set(CPACK_PACKAGE_VERSION 1.0.0)
  set(CPACK_PACKAGE_CONTACT "Meadowglow developers <meadowglow@localhost>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3-D OpenGL screen saver with critters, stars and your pictures")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION x11)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # SDL, libcurl, GnuTLS, fontconfig, FreeType, nettle and libcdio are loaded
  # at run time, so dpkg-shlibdeps cannot see them.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "fonts-liberation, libgtk-3-0, libsdl2-2.0-0, libcurl4, libgnutls30, libfontconfig1, libfreetype6, libnettle8, libcdio19")
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
