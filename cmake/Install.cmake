# The installed program folder holds the executables and the glyph folders
# together, as AppDir expects: <prefix>/lib/dururive/. <prefix>/bin/dururive
# is a symbolic link to it (the program finds its folder through its real
# path, so AppDir stays the program folder). The folder is a program's
# private folder, not a library folder, so it is lib/ whatever the
# platform's library folder is called.
include(GNUInstallDirs)
set(DURURIVE_INSTALL_DIR lib/dururive)

install(TARGETS dururive dururive-browser RUNTIME DESTINATION ${DURURIVE_INSTALL_DIR})
# Every symbol bound at start, so that the relocations can be read-only
# (relro is on by default), as Debian's hardening wants it.
foreach(program dururive dururive-browser)
  target_link_options(${program} PRIVATE LINKER:-z,relro,-z,now)
endforeach()
file(RELATIVE_PATH dururive_link_target
     /${CMAKE_INSTALL_BINDIR} /${DURURIVE_INSTALL_DIR}/dururive)
install(CODE "
  set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/dururive\")
  message(STATUS \"Installing: \${link} -> ${dururive_link_target}\")
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(REMOVE \"\${link}\")
  file(CREATE_LINK \"${dururive_link_target}\" \"\${link}\" SYMBOLIC)
")
install(DIRECTORY ${DURURIVE_PROGRAM_DIR}/1 ${DURURIVE_PROGRAM_DIR}/2
        DESTINATION ${DURURIVE_INSTALL_DIR} FILES_MATCHING PATTERN "*.gif")

# The menu entry and the icon.
add_subdirectory(${PROJECT_SOURCE_DIR}/packaging ${PROJECT_BINARY_DIR}/packaging)
