# SPDX-License-Identifier: GPL-3.0-or-later
# make deb: a Debian package of the installed layout under /usr, built by CPack from this build tree.
#   nemora_<version>_<arch>.deb (make deb moves it to the source folder), with the files of cmake/install.cmake plus
#   /usr/share/doc/nemora/{copyright,changelog.gz} and /usr/share/man/man1/{nemora,nemora-cli}.1.gz
# The runtime dependencies come from dpkg-shlibdeps on the two programs; what they load at run time
# without linking it (the SVG icon plugin, the fonts) is named here.

# The man pages and the changelog, compressed as Debian wants them (no name or time stamp in the gzip header).
set(package_doc_dir ${CMAKE_BINARY_DIR}/package-doc)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${package_doc_dir}/changelog @ONLY)
set(compressed_docs ${package_doc_dir}/changelog.gz)
add_custom_command(OUTPUT ${package_doc_dir}/changelog.gz
                   COMMAND gzip -n -9 -c ${package_doc_dir}/changelog > ${package_doc_dir}/changelog.gz
                   DEPENDS ${package_doc_dir}/changelog)
foreach(page nemora nemora-cli)
  configure_file(${CMAKE_SOURCE_DIR}/docs/man/${page}.1 ${package_doc_dir}/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${package_doc_dir}/${page}.1.gz
                     COMMAND gzip -n -9 -c ${package_doc_dir}/${page}.1 > ${package_doc_dir}/${page}.1.gz
                     DEPENDS ${package_doc_dir}/${page}.1)
  list(APPEND compressed_docs ${package_doc_dir}/${page}.1.gz)
endforeach()
add_custom_target(package_docs ALL DEPENDS ${compressed_docs})

install(FILES ${package_doc_dir}/nemora.1.gz ${package_doc_dir}/nemora-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${package_doc_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/nemora)

# `make deb` builds the programs itself; the package must not wait for (or need) the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nemora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Nemora developers <nemora@nemora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Morse telegraphy trainer in the manner of a telegraph office")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${NEMORA_WEB_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-aoyagi-kouzan-t, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The extended description; CPack indents it for the control file, an empty line becomes " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Nemora sends practice telegrams in Japanese kana Morse (wabun) or Latin
Morse with the procedure signals of a telegraph office, and judges
everything keyed, with the J and K keys or a real key or paddle on a
serial port, character by character against the model telegram.

nemora-cli renders receive practice sessions to WAV, FLAC, Ogg Vorbis,
Opus or MP3 files, writes random telegram files and prints the
statistics report.")
include(CPack)
