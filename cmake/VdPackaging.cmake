# Installation and packaging: `cmake --install <build> --prefix P` lays out
#   P/bin/vdreport (and vdsvg)          P/lib/libvdcommon.so.MAJOR (SONAME)
#   P/include/vdcommon/...              (public headers, version.h, Export.h)
#   P/lib/cmake/vdcommon/               (config, version file, vdcommon::vdcommon)
#   P/lib/pkgconfig/vdcommon.pc         P/share/vdcommon/ (data)
#   P/share/man/man1/vdreport.1
# and `cpack -G DEB` (run in the build folder) packs the same tree into a .deb.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(_cmakedir ${CMAKE_INSTALL_LIBDIR}/cmake/vdcommon)

install(TARGETS vdcommon_library EXPORT vdcommon-targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT Development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vdcommon
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_BINARY_DIR}/include/vdcommon/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vdcommon)

install(EXPORT vdcommon-targets NAMESPACE vdcommon:: DESTINATION ${_cmakedir})
if(BUILD_SHARED_LIBS)
  set(VDCOMMON_SHARED TRUE)
else()
  set(VDCOMMON_SHARED FALSE)
endif()
set(VDCOMMON_PC_PRIVATE "freetype2 harfbuzz harfbuzz-subset fontconfig zlib libxml-2.0 libxslt libexslt expat sqlite3 muparser")
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/vdcommon-config.cmake.in
  ${PROJECT_BINARY_DIR}/vdcommon-config.cmake INSTALL_DESTINATION ${_cmakedir})
# Before 1.0 every minor version may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/vdcommon-config-version.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/vdcommon-config.cmake
  ${PROJECT_BINARY_DIR}/vdcommon-config-version.cmake DESTINATION ${_cmakedir})

# pkg-config: the toolkit has no .pc file on Debian, so its flags (as found by
# this build) are written into ours.
set(_wx_cflags)
foreach(_dir ${wxWidgets_INCLUDE_DIRS})
  list(APPEND _wx_cflags "-I${_dir}")
endforeach()
foreach(_def ${wxWidgets_DEFINITIONS})
  list(APPEND _wx_cflags "-D${_def}")
endforeach()
list(APPEND _wx_cflags ${wxWidgets_CXX_FLAGS})
list(JOIN _wx_cflags " " VDCOMMON_PC_WX_CFLAGS)
list(JOIN wxWidgets_LIBRARIES " " VDCOMMON_PC_WX_LIBS)
configure_file(${PROJECT_SOURCE_DIR}/cmake/vdcommon.pc.in ${PROJECT_BINARY_DIR}/vdcommon.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vdcommon.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The programs. They link the library's static archives (they use private classes
# of the host layer), so they run without libvdcommon on the library path.
foreach(_program vdreport vdsvg)
  if(TARGET ${_program})
    install(TARGETS ${_program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
if(EXISTS ${PROJECT_SOURCE_DIR}/apps/vdreport/vdreport.1)
  install(FILES ${PROJECT_SOURCE_DIR}/apps/vdreport/vdreport.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The data the programs find relative to themselves (../share/vdcommon): the build
# stages it in <build>/share/vdcommon/ with the same layout.
install(DIRECTORY ${PROJECT_BINARY_DIR}/share/vdcommon/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vdcommon)

# Documents a package carries.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
  ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/docs/markup.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR} OPTIONAL)

# cpack -G DEB
set(CPACK_PACKAGE_NAME vdcommon)
set(CPACK_PACKAGE_VENDOR "vdcommon developers")
set(CPACK_PACKAGE_CONTACT "vdcommon developers <vdcommon@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Design reports and process diagrams for water-treatment plants")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
include(CPack)
