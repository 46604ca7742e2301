# Generates and installs qavo.pc for the shared library `qavo` (see cmake/qavo.pc.in).
# The prefix is written relative to the .pc file's own directory, so the file stays
# right whatever prefix `cmake --install --prefix` is given.
file(RELATIVE_PATH QAVO_PC_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
configure_file(${PROJECT_SOURCE_DIR}/cmake/qavo.pc.in ${CMAKE_CURRENT_BINARY_DIR}/qavo.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qavo.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
