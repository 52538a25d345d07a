# Installing the programs, and the packages CPack makes of them:
#   Linux:   cpack --preset deb    -> velmora_<version>_amd64.deb
#   Windows: cpack --preset win64  -> velmora-<version>-win64.zip
include(GNUInstallDirs)

set(CPACK_PACKAGE_CONTACT "Velmora maintainers <maintainers@velmora.invalid>")

# The release's date, set together with the version in CMakeLists.txt: the
# manual pages, the Debian changelog and the AppStream release carry it.
set(VELMORA_RELEASE_EPOCH 1796644800)  # 2026-12-07 12:00:00 UTC
set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${VELMORA_RELEASE_EPOCH})  # string(TIMESTAMP) then formats it
string(TIMESTAMP VELMORA_RELEASE_DAY "%Y-%m-%d" UTC)
string(TIMESTAMP VELMORA_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)  # Debian changelog form
set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")

set(VELMORA_SCREENSHOT_URL "https://velmora.invalid/docs/frame_000384.png" CACHE STRING
    "Where the published screenshot (docs/frame_000384.png) is served, for the AppStream metainfo")

# Writes SOURCE configured with the variables above, gzipped as Debian wants
# documentation: best compression, no name or time stamp, so the bytes depend
# on the text alone.
function(velmora_configure_gzipped source output)
  get_filename_component(plain ${output} NAME_WLE)
  configure_file(${source} ${PROJECT_BINARY_DIR}/packaging/${plain} @ONLY)
  execute_process(COMMAND gzip -n -9 -c ${PROJECT_BINARY_DIR}/packaging/${plain}
                  OUTPUT_FILE ${output} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${plain}")
  endif()
endfunction()

if(WIN32)
  # A zip that runs where it is unpacked: the static program, a README, the
  # licence and the notices of the libraries linked into the program.
  if(TARGET velmora)
    install(TARGETS velmora RUNTIME DESTINATION .)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/README-windows.txt DESTINATION . RENAME README.txt)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
  install(FILES ${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES DESTINATION . RENAME THIRD-PARTY-NOTICES.txt)
elseif(NOT EMSCRIPTEN)
  set(velmora_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/velmora)
  set(generated ${PROJECT_BINARY_DIR}/packaging)
  foreach(program velmora velmora-render)
    if(TARGET ${program})
      install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
      # A stripped install (CPack's) also drops the compilers' notes, as
      # Debian's own packages do.
      install(CODE "if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment --remove-section=.note
                        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
      endif()")
      velmora_configure_gzipped(${PROJECT_SOURCE_DIR}/packaging/man/${program}.6.in ${generated}/${program}.6.gz)
      install(FILES ${generated}/${program}.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
    endif()
  endforeach()
  # The picture keeps its path beside the README, so the README still shows it.
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${velmora_doc_dir})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/frame_000384.png DESTINATION ${velmora_doc_dir}/docs)
  # Debian's machine-readable copyright (the MIT licence) and the changelog
  # of a native package.
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright DESTINATION ${velmora_doc_dir})
  velmora_configure_gzipped(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${generated}/changelog.gz)
  install(FILES ${generated}/changelog.gz DESTINATION ${velmora_doc_dir})

  # The menu entry, its icon and the software centres' description.
  if(TARGET velmora)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/velmora.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
    foreach(size 48 64 128 256)
      install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/velmora-${size}.png
              DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps RENAME velmora.png)
    endforeach()
    configure_file(${PROJECT_SOURCE_DIR}/packaging/io.velmora.Velmora.metainfo.xml.in
                   ${generated}/io.velmora.Velmora.metainfo.xml @ONLY)
    install(FILES ${generated}/io.velmora.Velmora.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
  endif()
endif()

set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Real-time 3D demo drawn by its own software rasteriser")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Velmora turns and zooms a lit, textured, bump-mapped retro television set\n"
  "in a window, every pixel computed by its own SSE4.1 software rasteriser.\n"
  "velmora-render draws its frames without a window, as PNG images or as an\n"
  "H.264 video.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME velmora-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # velmora_<version>_<arch>.deb
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # dpkg-shlibdeps (dpkg-dev) turns the libraries the programs load into the
  # package's Depends, with the versions they need.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Control files as dpkg-deb wants them (0644, scripts 0755), owned by root.
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

include(CPack)
