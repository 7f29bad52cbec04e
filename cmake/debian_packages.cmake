# Debian packages built with CPack (scripts/package): one package per install component.
#   marblestomper    the drum pad (component marble_app), with its manual page and menu entry
#   liblumarix1      the shared library with its soname (lumarix_runtime)
#   liblumarix-dev   headers, static library, CMake package, pkg-config file (lumarix_dev)
# Library dependencies come from the binaries (dpkg-shlibdeps); each package carries the
# copyright file and changelog Debian requires in /usr/share/doc/<package>.
set(marble_deb_packages)
if(MARBLE_BUILD_APP)
  list(APPEND marble_deb_packages marble_app:marblestomper)
endif()
list(APPEND marble_deb_packages lumarix_runtime:liblumarix${PROJECT_VERSION_MAJOR} lumarix_dev:liblumarix-dev)

# Debian wants compressed manual pages and changelogs, made without time stamps (gzip -n).
find_program(MARBLE_GZIP gzip REQUIRED)
function(marble_gzip input output)
  add_custom_command(OUTPUT ${output} COMMAND ${MARBLE_GZIP} -9n -c ${input} > ${output} DEPENDS ${input} VERBATIM)
endfunction()
set(marble_pkg_dir ${CMAKE_BINARY_DIR}/packaging)
set(VERSION ${PROJECT_VERSION})
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog ${marble_pkg_dir}/changelog @ONLY)
marble_gzip(${marble_pkg_dir}/changelog ${marble_pkg_dir}/changelog.gz)
set(marble_pkg_outputs ${marble_pkg_dir}/changelog.gz)
if(MARBLE_BUILD_APP)
  configure_file(${PROJECT_SOURCE_DIR}/app/qt/marbleStomper.1 ${marble_pkg_dir}/marbleStomper.1 @ONLY)
  marble_gzip(${marble_pkg_dir}/marbleStomper.1 ${marble_pkg_dir}/marbleStomper.1.gz)
  list(APPEND marble_pkg_outputs ${marble_pkg_dir}/marbleStomper.1.gz)
  install(FILES ${marble_pkg_dir}/marbleStomper.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT marble_app)
endif()
add_custom_target(marble_package_files ALL DEPENDS ${marble_pkg_outputs})

set(marble_deb_components)
foreach(entry IN LISTS marble_deb_packages)
  string(REPLACE ":" ";" entry "${entry}")
  list(GET entry 0 component)
  list(GET entry 1 package)
  list(APPEND marble_deb_components ${component})
  string(TOUPPER ${component} COMPONENT)
  set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_NAME ${package})
  set(marble_deb_name_${component} ${package})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${marble_pkg_dir}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marblestomper)
set(CPACK_PACKAGE_VENDOR "marbleStomper developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_COMPONENTS_ALL ${marble_deb_components})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/dist)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "marbleStomper maintainers <maintainers@users.noreply.c-seed-75cbf429.example>")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_MARBLE_APP_PACKAGE_SECTION sound)
# A Japanese font: the error box for a settings file that cannot be written is in Japanese, and
# a desktop without CJK fonts draws it as empty boxes (fonts-vlgothic is the smallest that has it).
set(CPACK_DEBIAN_MARBLE_APP_PACKAGE_DEPENDS
    "timgm6mb-soundfont | fluid-soundfont-gm | musescore-general-soundfont, fonts-vlgothic | fonts-ipafont-gothic | fonts-noto-cjk")
set(CPACK_COMPONENT_MARBLE_APP_DESCRIPTION "numeric-keypad MIDI drum pad
marbleStomper turns the numeric keypad into eleven drum pads: each of the
keys 0 to 9 and the decimal point plays one MIDI note on the percussion
channel. Ctrl plays softer, a tempo editor drives a four-beat bar indicator,
and the pad notes are kept per user. A built-in General MIDI synthesizer
makes it sound without MIDI hardware; ALSA sequencer ports are listed too.")

set(CPACK_DEBIAN_LUMARIX_RUNTIME_PACKAGE_SECTION libs)
# shlibs names the package for programs linked against the soname; the ldconfig trigger
# refreshes the linker cache.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_LUMARIX_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/triggers)
set(CPACK_COMPONENT_LUMARIX_RUNTIME_DESCRIPTION "32-bit bitmap library: blits, zooms, filters and text
Lumarix is a C++ library for 32-bit bitmaps: colour-key, alpha, additive and
subtractive blits, nearest-neighbour and bilinear zooms, colour and geometric
filters, and anti-aliased, decorated text output.
.
This package holds the shared library.")

set(CPACK_DEBIAN_LUMARIX_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_LUMARIX_DEV_PACKAGE_DEPENDS
    "${marble_deb_name_lumarix_runtime} (= ${PROJECT_VERSION}), libfreetype-dev, libfontconfig-dev, pkgconf | pkg-config")
set(CPACK_COMPONENT_LUMARIX_DEV_DESCRIPTION "32-bit bitmap library: development files
Lumarix is a C++ library for 32-bit bitmaps: colour-key, alpha, additive and
subtractive blits, nearest-neighbour and bilinear zooms, colour and geometric
filters, and anti-aliased, decorated text output.
.
This package holds the headers, the static library, the CMake package
(find_package(lumarix)) and the pkg-config file (lumarix).")

include(CPack)
