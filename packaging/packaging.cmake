# Installation beyond the programs and the bundled directory (their own folders install those),
# and the Debian package. Included from the top CMakeLists.txt.
#
# The installed programs look for the directory in ../share/korvalind from their own folder,
# then under the install prefix given at configure time; a package is configured with the
# prefix it installs to:
#   cmake -S . -B build-deb -DCMAKE_INSTALL_PREFIX=/usr && cmake --build build-deb
#   cd build-deb && cpack -G DEB
# Manual pages are installed compressed, as Debian and man-db expect them; -n keeps the time
# stamp out so that every build gives the same bytes.
# The page's version line is the project's version.
set(korvalind_man_page ${CMAKE_CURRENT_BINARY_DIR}/korvalind.1)
configure_file(${CMAKE_CURRENT_LIST_DIR}/../man/korvalind.1 ${korvalind_man_page} @ONLY)
set(korvalind_man_gz ${CMAKE_CURRENT_BINARY_DIR}/korvalind.1.gz)
add_custom_command(OUTPUT ${korvalind_man_gz}
  COMMAND gzip -9 -n -c ${korvalind_man_page} > ${korvalind_man_gz}
  DEPENDS ${korvalind_man_page}
  VERBATIM)
add_custom_target(korvalind_man_page ALL DEPENDS ${korvalind_man_gz})
install(FILES ${korvalind_man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/korvalind.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME korvalind)

# The service unit of korvalind serve. systemd reads units under <prefix>/lib/systemd/system for
# /usr and /usr/local alike. Its ExecStart names the program under the prefix given at install
# time (cmake --install --prefix), not the one configured.
if(KORVALIND_BUILD_SERVE)
  install(CODE "
    set(KORVALIND_UNIT_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    configure_file(\"${CMAKE_CURRENT_LIST_DIR}/korvalind-serve.service.in\"
                   \"${CMAKE_CURRENT_BINARY_DIR}/korvalind-serve.service\" @ONLY)
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\"
         TYPE FILE FILES \"${CMAKE_CURRENT_BINARY_DIR}/korvalind-serve.service\")")
endif()

# The programs that use the library (C through pkg-config, C++ through the CMake package, the
# Dask recipe), as sources to copy and build.
install(DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/../examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
        USE_SOURCE_PERMISSIONS)

set(CPACK_PACKAGE_NAME korvalind)
set(CPACK_PACKAGE_VENDOR "Korvalind")
set(CPACK_PACKAGE_CONTACT "Korvalind maintainers <maintainers@korvalind.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "where a mainland-China mobile number segment was issued, from a local directory")
set(CPACK_PACKAGE_DESCRIPTION
    "Korvalind answers where a mainland-China mobile number was issued: given the first seven
digits (a segment such as 1390123) it gives the province, the city, the kind of SIM card, the
long-distance area code and the postal code, from one local enciphered data file. It comes with
the command-line program korvalind (queries, a streaming filter, the maintainer tools), the
desktop program korvalind-gui, the shared library libkorvalind with its C and C++ headers,
pkg-config file and CMake package, and the Python module korvalind.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link (libc, wxWidgets, GTK) as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Python module imports numpy; its frames need pandas, the Dask recipe distributed.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3-numpy, python3-pandas")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion, python3-distributed")
# libkorvalind.so.1 is in the package: a shlibs file for packages that link it, and ldconfig.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

include(CPack)
