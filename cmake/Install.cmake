# Installing BeatStrip as a desktop application, and packing it as a Debian package.
#   cmake --install build [--prefix DIR]      (DESTDIR=... stages it elsewhere)
#   cpack --config build/CPackConfig.cmake     (or: make package)
include(GNUInstallDirs)

set(BEATSTRIP_APP_ID org.beatstrip.BeatStrip)
set(BEATSTRIP_DATA_DIR ${CMAKE_INSTALL_DATADIR}/beatstrip)

# The installed program finds its data relative to itself, so the installed tree can be moved.
file(RELATIVE_PATH beatstrip_data_from_bin
  ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/beatstrip)
target_compile_definitions(beatstrip PRIVATE BEATSTRIP_DATA_FROM_BIN="${beatstrip_data_from_bin}")

install(TARGETS beatstrip RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/assets/ DESTINATION ${BEATSTRIP_DATA_DIR}/assets)
if(TARGET sample_package)
  install(FILES ${CMAKE_BINARY_DIR}/content/data.zip DESTINATION ${BEATSTRIP_DATA_DIR}/content)
endif()

# The MIME types of the score files BeatStrip opens, for the desktop entry's MimeType= line.
# Importable score types go here (e.g. application/vnd.recordare.musicxml+xml); Exec= then
# needs a file field code (%F) for the files to arrive.
set(BEATSTRIP_MIME_TYPES
  application/vnd.recordare.musicxml+xml
  application/vnd.recordare.musicxml
  audio/midi
  audio/x-midi)
if(BEATSTRIP_MIME_TYPES)
  list(JOIN BEATSTRIP_MIME_TYPES ";" mime_list)
  set(BEATSTRIP_DESKTOP_MIME_LINE "\nMimeType=${mime_list};")
else()
  set(BEATSTRIP_DESKTOP_MIME_LINE "")
endif()
configure_file(${CMAKE_SOURCE_DIR}/desktop/${BEATSTRIP_APP_ID}.desktop.in
  ${CMAKE_BINARY_DIR}/desktop/${BEATSTRIP_APP_ID}.desktop @ONLY NEWLINE_STYLE UNIX)
configure_file(${CMAKE_SOURCE_DIR}/desktop/${BEATSTRIP_APP_ID}.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/desktop/${BEATSTRIP_APP_ID}.metainfo.xml @ONLY NEWLINE_STYLE UNIX)

install(FILES ${CMAKE_BINARY_DIR}/desktop/${BEATSTRIP_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/desktop/${BEATSTRIP_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/desktop/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
# Man pages are installed compressed, as Debian's policy asks.
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/desktop/beatstrip.1.gz
  COMMAND ${GZIP_PROGRAM} -9nc ${CMAKE_SOURCE_DIR}/desktop/beatstrip.1 > ${CMAKE_BINARY_DIR}/desktop/beatstrip.1.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/desktop/beatstrip.1
  COMMENT "Compressing the man page")
add_custom_target(man_page ALL DEPENDS ${CMAKE_BINARY_DIR}/desktop/beatstrip.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/desktop/beatstrip.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package: build/beatstrip_VERSION_ARCH.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME beatstrip)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The BeatStrip developers")
set(CPACK_PACKAGE_CONTACT "The BeatStrip developers <beatstrip@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "practise music scores as a scrolling strip of note blocks")
set(CPACK_PACKAGE_DESCRIPTION
  "BeatStrip plays a song as a long, horizontally scrolling strip of coloured note blocks. A beat cursor walks the song beat by beat, each at its own tempo, and loops over the song or a range of bars; tempi can be edited and saved per song. A sample package of five public-domain songs is included.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries through dpkg-shlibdeps; the data packages the program reads at run time by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(BEATSTRIP_DEB_DATA_DEPENDS
  fonts-liberation2
  # The General MIDI SoundFont the notes play with by default.
  timgm6mb-soundfont
)
list(JOIN BEATSTRIP_DEB_DATA_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
include(CPack)
