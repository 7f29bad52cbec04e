# Install rules: headers, both libraries, a CMake package and a pkg-config file.
include(CMakePackageConfigHelpers)

# Components: lumarix_runtime (the shared library with its soname) and lumarix_dev (everything a
# program needs to build against it), packaged as liblumarix1 and liblumarix-dev.
install(DIRECTORY include/lumarix DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT lumarix_dev)
install(TARGETS lumarix lumarix_static EXPORT lumarixTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lumarix_runtime NAMELINK_COMPONENT lumarix_dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lumarix_dev
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lumarix_runtime
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT lumarixTargets NAMESPACE lumarix:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lumarix
  COMPONENT lumarix_dev)

configure_package_config_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/lumarixConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/lumarixConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lumarix)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/lumarixConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/lumarixConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/lumarixConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lumarix COMPONENT lumarix_dev)

# The pkg-config file finds the prefix from its own place (${pcfiledir}), so that the package
# works wherever it is installed (cmake --install --prefix ...) or moved to.
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(LUMARIX_PC_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(LUMARIX_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(LUMARIX_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH lumarix_pc_up "/p/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/p")
  set(LUMARIX_PC_PREFIX "\${pcfiledir}/${lumarix_pc_up}")
endif()
set(LUMARIX_PC_REQUIRES "")
if(NOT WIN32 AND LUMARIX_WITH_FREETYPE)
  set(LUMARIX_PC_REQUIRES "Requires.private: freetype2 fontconfig\n")
endif()
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/lumarix.pc.in ${CMAKE_CURRENT_BINARY_DIR}/lumarix.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/lumarix.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT lumarix_dev)
