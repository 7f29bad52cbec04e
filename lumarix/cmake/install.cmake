# Install rules: headers, both libraries, a CMake package and a pkg-config file.
include(CMakePackageConfigHelpers)

install(DIRECTORY include/lumarix DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS lumarix lumarix_static EXPORT lumarixTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT lumarixTargets NAMESPACE lumarix:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lumarix)

configure_package_config_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/lumarixConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/lumarixConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lumarix)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/lumarixConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/lumarixConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/lumarixConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lumarix)

configure_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/lumarix.pc.in ${CMAKE_CURRENT_BINARY_DIR}/lumarix.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/lumarix.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
