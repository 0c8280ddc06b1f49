# Run at install time (see packaging/CMakeLists.txt), when the prefix is
# known: writes the manual page with the version and the installed program
# folder and command in place of @VERSION@, @PROGRAM_DIR@ and @COMMAND@,
# compresses it and the
# changelog with gzip -9n as Debian wants them (no name, no time stamp: the
# same bytes at every build), and installs both. Expects SOURCE_DIR (this
# folder), CHANGELOG (the file), OUT_DIR (a folder to write to), VERSION, and
# BINDIR, PROGRAM_DIR, MANDIR and DOCDIR relative to the prefix.
# The install script runs with old policies, under which "@VERSION@" in this
# file's own code would read the variable VERSION.
cmake_policy(VERSION 3.25)
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)

# A path as roff text: a backslash is \e there, a minus \-, a double quote \(dq.
function(roff_text variable text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REPLACE "\"" "\\(dq" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

function(compress source target)
  execute_process(COMMAND gzip -9n -c "${source}" OUTPUT_FILE "${target}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${source}: ${status}")
  endif()
endfunction()

file(MAKE_DIRECTORY "${OUT_DIR}")
file(READ "${SOURCE_DIR}/dururive.1.in" page)
roff_text(program_dir "${prefix}/${PROGRAM_DIR}")
roff_text(command "${prefix}/${BINDIR}/dururive")
string(REPLACE "@VERSION@" "${VERSION}" page "${page}")
string(REPLACE "@PROGRAM_DIR@" "${program_dir}" page "${page}")
string(REPLACE "@COMMAND@" "${command}" page "${page}")
file(WRITE "${OUT_DIR}/dururive.1" "${page}")
compress("${OUT_DIR}/dururive.1" "${OUT_DIR}/dururive.1.gz")
compress("${CHANGELOG}" "${OUT_DIR}/changelog.gz")

file(INSTALL DESTINATION "${prefix}/${MANDIR}/man1" TYPE FILE FILES "${OUT_DIR}/dururive.1.gz")
file(INSTALL DESTINATION "${prefix}/${DOCDIR}" TYPE FILE FILES "${OUT_DIR}/changelog.gz")
