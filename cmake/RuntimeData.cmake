# Copies the definition files and help pages beside the programs (build tree)
# and installs them beside the installed programs' data.
file(GLOB KVX_DEFAULT_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/defaults/*.xml)
file(GLOB KVX_HELP_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/help/*)

set(KVX_RUNTIME_STAMPS)
foreach(f ${KVX_DEFAULT_FILES})
  get_filename_component(n ${f} NAME)
  add_custom_command(OUTPUT ${KVX_RUNTIME_DIR}/Defaults/${n}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${f} ${KVX_RUNTIME_DIR}/Defaults/${n}
    DEPENDS ${f})
  list(APPEND KVX_RUNTIME_STAMPS ${KVX_RUNTIME_DIR}/Defaults/${n})
endforeach()
foreach(f ${KVX_HELP_FILES})
  get_filename_component(n ${f} NAME)
  add_custom_command(OUTPUT ${KVX_RUNTIME_DIR}/help/${n}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${f} ${KVX_RUNTIME_DIR}/help/${n}
    DEPENDS ${f})
  list(APPEND KVX_RUNTIME_STAMPS ${KVX_RUNTIME_DIR}/help/${n})
endforeach()
add_custom_target(kvx_runtime_data ALL DEPENDS ${KVX_RUNTIME_STAMPS})

install(FILES ${KVX_DEFAULT_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/kvx-comm/Defaults)
install(FILES ${KVX_HELP_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/kvx-comm/help)
