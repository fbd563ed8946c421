# The Debian package (make package, or cpack in a build folder): the install step's tree
# under /usr. Its dependencies are computed by dpkg-shlibdeps from the libraries the
# programs link, so they name exactly those (Qt, uchardet, the C++ run-time).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR "The Quillon developers")
set(CPACK_PACKAGE_CONTACT "The Quillon developers <quillon@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Visual Basic 6 sources to syntax-coloured HTML pages")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillon turns Visual Basic 6 source files (.frm .cls .bas .ctl .pag, any text) into
HTML pages that show exactly their code, keywords, comments, strings, numbers and
punctuation in the colours of a scheme you edit and can save as a style sheet. A Qt
window with four panes (Files, Colors, Batch, Direct) and the command line quillon-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quillon.example.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
