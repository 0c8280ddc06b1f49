# Run at install time (see packaging/CMakeLists.txt), when the prefix is
# known: writes the menu entry with the installed program's absolute path in
# Exec, so that the entry works whether or not the prefix's bin folder is on
# PATH, and installs it. Expects DESKTOP_IN (the template), DESKTOP_OUT (a
# file to write it to), BINDIR and DATADIR.
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(exec "${prefix}/${BINDIR}/dururive")

# Exec's quoting: an argument holding a reserved character is put in double
# quotes, inside which ", `, $ and \ take a backslash. Then, as in every
# string value of the entry, each backslash is doubled, and % is written %%.
if(exec MATCHES "[] \t\n\"'\\\\<>~|&;$*?#()`[]")
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")

file(READ "${DESKTOP_IN}" entry)
string(REPLACE "@DURURIVE_EXEC@" "${exec}" entry "${entry}")
file(WRITE "${DESKTOP_OUT}" "${entry}")
file(INSTALL DESTINATION "${prefix}/${DATADIR}/applications" TYPE FILE FILES "${DESKTOP_OUT}")
