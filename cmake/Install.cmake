# The installed program folder holds the executables and the glyph folders
# together, as AppDir expects: <prefix>/lib/dururive/. <prefix>/bin/dururive
# is a symbolic link to it (the program finds its folder through its real
# path, so AppDir stays the program folder).
include(GNUInstallDirs)
set(DURURIVE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/dururive)

if(TARGET dururive)
  install(TARGETS dururive RUNTIME DESTINATION ${DURURIVE_INSTALL_DIR})
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK \"../${DURURIVE_INSTALL_DIR}/dururive\"
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/dururive\" SYMBOLIC)
  ")
endif()
if(TARGET dururive-browser)
  install(TARGETS dururive-browser RUNTIME DESTINATION ${DURURIVE_INSTALL_DIR})
endif()
install(DIRECTORY ${DURURIVE_PROGRAM_DIR}/1 ${DURURIVE_PROGRAM_DIR}/2
        DESTINATION ${DURURIVE_INSTALL_DIR} FILES_MATCHING PATTERN "*.gif")
