# Gives a Windows program the application manifest SetupQ17.manifest as a
# resource (long paths, DPI awareness, common controls 6); nothing elsewhere.
# The compiler's run time brings no manifest of its own to clash with it.
set(Q17_MANIFEST_FILE ${CMAKE_CURRENT_LIST_DIR}/SetupQ17.manifest)
set(Q17_MANIFEST_RC ${CMAKE_BINARY_DIR}/packaging/windows/Manifest.rc)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Manifest.rc.in ${Q17_MANIFEST_RC} @ONLY)

function(q17_add_manifest target)
  if(WIN32)
    target_sources(${target} PRIVATE ${Q17_MANIFEST_RC})
    # The resource compiler does not see the manifest as an input of its own.
    set_property(SOURCE ${Q17_MANIFEST_RC} TARGET_DIRECTORY ${target} APPEND PROPERTY OBJECT_DEPENDS ${Q17_MANIFEST_FILE})
  endif()
endfunction()
