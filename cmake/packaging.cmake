# Installing the programs, and the packages CPack makes of them:
#   Linux:   cpack --preset deb    -> velmora_<version>_amd64.deb
#   Windows: cpack --preset win64  -> velmora-<version>-win64.zip
include(GNUInstallDirs)

if(WIN32)
  # A zip that runs where it is unpacked: the static program and a README.
  if(TARGET velmora)
    install(TARGETS velmora RUNTIME DESTINATION .)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/README-windows.txt DESTINATION . RENAME README.txt)
else()
  set(velmora_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/velmora)
  foreach(program velmora velmora-render)
    if(TARGET ${program})
      install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
  endforeach()
  # The picture keeps its path beside the README, so the README still shows it.
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${velmora_doc_dir})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/frame_000384.png DESTINATION ${velmora_doc_dir}/docs)
endif()

set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Velmora maintainers <maintainers@velmora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Real-time 3D demo drawn by its own software rasteriser")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Velmora turns and zooms a lit, textured, bump-mapped retro television set\n"
  "in a window, every pixel computed by its own SSE4.1 software rasteriser.\n"
  "velmora-render draws its frames without a window, as PNG images or as an\n"
  "H.264 video.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME velmora-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # velmora_<version>_<arch>.deb
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  # dpkg-shlibdeps (dpkg-dev) turns the libraries the programs load into the
  # package's Depends, with the versions they need.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
