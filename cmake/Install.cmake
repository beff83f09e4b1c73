# What `cmake --install` adds beside the programs (installed by src/) and their
# data (RuntimeData.cmake): manual pages, shell completion, the desktop entry
# with its MIME type, icons and AppStream file, and the package documents.
# Every destination is relative to CMAKE_INSTALL_PREFIX, so DESTDIR and the
# prefix are honoured and nothing is written outside them.

set(KVX_APP_ID example.halvoren.kvx_comm)
set(KVX_DIST_DIR ${PROJECT_SOURCE_DIR}/dist)
set(KVX_GENERATED_DIR ${CMAKE_BINARY_DIR}/dist)
set(KVX_DOC_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/doc/kvx-comm)

# Manual pages, written at build time from each program's --help output and a
# hand-written part in dist/man, so they follow every new option or command.
find_program(KVX_HELP2MAN help2man)
set(KVX_MAN_PAGES)
function(kvx_man_page program whatis)
  # Sanitizer and fuzz builds are for tests only; their programs need not run
  # at build time.
  if(NOT TARGET ${program} OR KVX_SANITIZE OR KVX_FUZZ)
    return()
  endif()
  if(NOT KVX_HELP2MAN)
    message(WARNING "help2man not found: no manual page for ${program} (scripts/install-deps installs it)")
    return()
  endif()
  set(page ${KVX_GENERATED_DIR}/man/${program}.1.gz)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KVX_GENERATED_DIR}/man
    COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/gen-man.sh $<TARGET_FILE:${program}> "${whatis}"
      ${KVX_DIST_DIR}/man/${program}.h2m ${page}
    DEPENDS ${program} ${KVX_DIST_DIR}/man/${program}.h2m ${PROJECT_SOURCE_DIR}/cmake/gen-man.sh
    COMMENT "Manual page for ${program}"
    VERBATIM)
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set(KVX_MAN_PAGES ${KVX_MAN_PAGES} ${page} PARENT_SCOPE)
endfunction()
kvx_man_page(kvx-cli "configure and read protective relays from a shell")
kvx_man_page(kvx-relay-sim "simulated protective relay on Modbus TCP, Modbus RTU and A-B DF1")
kvx_man_page(kvx-comm "configure and watch protective relays")
add_custom_target(kvx_man_pages ALL DEPENDS ${KVX_MAN_PAGES})

if(TARGET kvx-cli)
  install(FILES ${KVX_DIST_DIR}/kvx-cli.bash-completion
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kvx-cli)
endif()

# The desktop program's place in the desktop: menu entry, .cds files opening
# in it, its icon and its software-centre description.
if(TARGET kvx-comm)
  install(FILES ${KVX_DIST_DIR}/${KVX_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${KVX_DIST_DIR}/kvx-comm-mime.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kvx-comm.xml)
  configure_file(${KVX_DIST_DIR}/${KVX_APP_ID}.metainfo.xml.in
    ${KVX_GENERATED_DIR}/${KVX_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${KVX_GENERATED_DIR}/${KVX_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  set(KVX_ICON_SVG ${KVX_DIST_DIR}/kvx-comm.svg)
  install(FILES ${KVX_ICON_SVG}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  find_program(KVX_RSVG_CONVERT rsvg-convert)
  if(KVX_RSVG_CONVERT)
    set(KVX_ICON_PNGS)
    foreach(size 16 24 32 48 64 128 256)
      set(png ${KVX_GENERATED_DIR}/icons/${size}/kvx-comm.png)
      add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${KVX_GENERATED_DIR}/icons/${size}
        COMMAND ${KVX_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${KVX_ICON_SVG}
        DEPENDS ${KVX_ICON_SVG}
        VERBATIM)
      list(APPEND KVX_ICON_PNGS ${png})
      install(FILES ${png}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
    add_custom_target(kvx_icons ALL DEPENDS ${KVX_ICON_PNGS})
  else()
    message(WARNING "rsvg-convert not found: the icon is installed as SVG only (scripts/install-deps installs it)")
  endif()
endif()

# The licence text (as a Debian copyright file, which a package requires there)
# and a changelog, compressed as Debian packages keep it.
configure_file(${KVX_DIST_DIR}/changelog.in ${KVX_GENERATED_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${KVX_GENERATED_DIR}/changelog.gz
  COMMAND sh -c "gzip -9n < changelog > changelog.gz"
  WORKING_DIRECTORY ${KVX_GENERATED_DIR}
  DEPENDS ${KVX_GENERATED_DIR}/changelog
  VERBATIM)
add_custom_target(kvx_changelog ALL DEPENDS ${KVX_GENERATED_DIR}/changelog.gz)
install(FILES ${KVX_DIST_DIR}/copyright ${KVX_GENERATED_DIR}/changelog.gz
  DESTINATION ${KVX_DOC_INSTALL_DIR})
