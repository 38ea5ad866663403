# SPDX-License-Identifier: GPL-3.0-or-later
# Install rules and Debian packages.
#
# `cmake --install BUILD --prefix P` lays the programs out under P by the
# GNUInstallDirs directories; `cpack` (see scripts/package) turns the same
# rules into one Debian package per component:
#
#   component  package     holds
#   gui        tarcfg      the desktop tool, its desktop entry, icons, user
#                          guide, manual page and the example tarcfg.pro
#   cli        tarcfg-cli  the command-line tool, its manual page, an example
#                          systemd unit for `serve` and alert rules
#   sim        tarnex-sim  the router emulator, its manual page and the
#                          demo network
#
# Each package depends only on the shared libraries its program links
# (dpkg-shlibdeps): the desktop tool does not need the command-line tool.
include(GNUInstallDirs)

set(TARCFG_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc)

# ---- the project's addresses, used by the package metadata, the copyright
# files and the AppStream metadata
set(TARCFG_PROJECT_HOMEPAGE "https://tarcfg.org" CACHE STRING "The project's home page")
set(TARCFG_PROJECT_EMAIL "developers@tarcfg.org" CACHE STRING "The project's contact address")
set(TARCFG_SCREENSHOT_URL "${TARCFG_PROJECT_HOMEPAGE}/screenshots" CACHE STRING
  "Where docs/screenshots are published, for the AppStream metadata")
set(TARCFG_APPSTREAM_ID org.tarcfg.tarcfg)
set(TARCFG_APPSTREAM_DEVELOPER_ID org.tarcfg)
set(TARCFG_RELEASE_DATE 2026-12-08)
set(TARCFG_PACKAGE_CONTACT
  "Tarnex Router configuration tool developers <${TARCFG_PROJECT_EMAIL}>")
# The same day as the Debian changelog writes it (RFC 2822, at noon UTC).
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C TZ=UTC date -R -d "${TARCFG_RELEASE_DATE} 12:00:00"
  OUTPUT_VARIABLE TARCFG_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
  COMMAND_ERROR_IS_FATAL ANY)

# ---- licence: the DEP-5 copyright file in every package's doc folder, as
# Debian policy wants it (the licence text itself is common-licenses/GPL-3)
set(TARCFG_COPYRIGHT_FILE ${PROJECT_BINARY_DIR}/packaging/copyright)
configure_file(${PROJECT_SOURCE_DIR}/resources/packaging/copyright ${TARCFG_COPYRIGHT_FILE} @ONLY)

# ---- the Debian changelog, one for the three packages (they come from one
# source), gzipped as Debian policy wants it: -9, without name or time.
find_program(TARCFG_GZIP gzip)
set(TARCFG_CHANGELOG ${PROJECT_BINARY_DIR}/packaging/changelog.Debian)
configure_file(${PROJECT_SOURCE_DIR}/resources/packaging/changelog.Debian.in ${TARCFG_CHANGELOG}
  @ONLY)
if(TARCFG_GZIP)
  add_custom_command(OUTPUT ${TARCFG_CHANGELOG}.gz
    COMMAND ${TARCFG_GZIP} -9 -n -f -k ${TARCFG_CHANGELOG}
    DEPENDS ${TARCFG_CHANGELOG}
    COMMENT "Compressing the Debian changelog"
    VERBATIM)
  add_custom_target(tarcfg_changelog ALL DEPENDS ${TARCFG_CHANGELOG}.gz)
  set(TARCFG_CHANGELOG ${TARCFG_CHANGELOG}.gz)
endif()

# ---- lintian overrides, each with its reason in the file
foreach(TARCFG_OVERRIDE_PACKAGE tarcfg tarcfg-cli tarnex-sim)
  configure_file(${PROJECT_SOURCE_DIR}/resources/packaging/lintian-overrides.in
    ${PROJECT_BINARY_DIR}/packaging/lintian/${TARCFG_OVERRIDE_PACKAGE} @ONLY)
endforeach()
set(TARCFG_LINTIAN_DIR ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides)

# ---- manual pages: the roff sources with the version and release date
# filled in, gzipped as Debian installs manual pages.
set(man_pages tarnex-sim)
if(TARGET tarcfg-cli)
  list(APPEND man_pages tarcfg-cli)
endif()
if(TARGET tarcfg)
  list(APPEND man_pages tarcfg)
endif()
set(man_outputs)
foreach(page IN LISTS man_pages)
  set(source ${PROJECT_SOURCE_DIR}/docs/man/${page}.1)
  set(page_file ${PROJECT_BINARY_DIR}/man/${page}.1)
  configure_file(${source} ${page_file} @ONLY)
  if(TARCFG_GZIP)
    add_custom_command(OUTPUT ${page_file}.gz
      COMMAND ${TARCFG_GZIP} -9 -n -f -k ${page_file}
      DEPENDS ${page_file} ${source}
      COMMENT "Compressing manual page ${page}.1"
      VERBATIM)
    set(page_file ${page_file}.gz)
    list(APPEND man_outputs ${page_file})
  endif()
  set(man_file_${page} ${page_file})
endforeach()
if(man_outputs)
  add_custom_target(tarcfg_man_pages ALL DEPENDS ${man_outputs})
endif()

# ---- tarnex-sim
install(TARGETS tarnex-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT sim)
install(FILES ${man_file_tarnex-sim} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT sim)
install(FILES ${PROJECT_SOURCE_DIR}/tools/sim/networks/demo.routers
  DESTINATION ${TARCFG_DOC_DIR}/tarnex-sim/examples COMPONENT sim)
install(FILES ${TARCFG_COPYRIGHT_FILE} ${PROJECT_SOURCE_DIR}/tools/sim/README.md
  DESTINATION ${TARCFG_DOC_DIR}/tarnex-sim COMPONENT sim)
install(FILES ${TARCFG_CHANGELOG} DESTINATION ${TARCFG_DOC_DIR}/tarnex-sim
  RENAME changelog.Debian.gz COMPONENT sim)
install(FILES ${PROJECT_BINARY_DIR}/packaging/lintian/tarnex-sim DESTINATION ${TARCFG_LINTIAN_DIR}
  COMPONENT sim)

# ---- tarcfg-cli
if(TARGET tarcfg-cli)
  install(TARGETS tarcfg-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
  install(FILES ${man_file_tarcfg-cli} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
  # `serve` as a service, and alert rules for its metrics. The unit is an
  # example, not an installed service: it needs the workstation's settings
  # (and for accounting a password) first, and while it runs it holds UDP
  # port 1532, which the desktop tool on the same host needs too; so the
  # administrator copies it to /etc/systemd/system when wanted.
  install(FILES ${PROJECT_SOURCE_DIR}/docs/examples/tarcfg-serve.service
    ${PROJECT_SOURCE_DIR}/docs/examples/tarnex-alerts.yml
    DESTINATION ${TARCFG_DOC_DIR}/tarcfg-cli/examples COMPONENT cli)
  install(FILES ${TARCFG_COPYRIGHT_FILE} DESTINATION ${TARCFG_DOC_DIR}/tarcfg-cli COMPONENT cli)
  install(FILES ${TARCFG_CHANGELOG} DESTINATION ${TARCFG_DOC_DIR}/tarcfg-cli
    RENAME changelog.Debian.gz COMPONENT cli)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/lintian/tarcfg-cli
    DESTINATION ${TARCFG_LINTIAN_DIR} COMPONENT cli)
  # Loaded on demand by bash-completion when the command is first completed.
  install(FILES ${PROJECT_SOURCE_DIR}/resources/completion/tarcfg-cli.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tarcfg-cli
    COMPONENT cli)
endif()

# ---- tarcfg
if(TARGET tarcfg)
  install(TARGETS tarcfg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT gui)
  install(FILES ${man_file_tarcfg} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT gui)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/tarcfg.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT gui)
  install(FILES ${TARCFG_COPYRIGHT_FILE} DESTINATION ${TARCFG_DOC_DIR}/tarcfg COMPONENT gui)
  install(FILES ${TARCFG_CHANGELOG} DESTINATION ${TARCFG_DOC_DIR}/tarcfg
    RENAME changelog.Debian.gz COMPONENT gui)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/lintian/tarcfg DESTINATION ${TARCFG_LINTIAN_DIR}
    COMPONENT gui)
  set(metainfo ${PROJECT_BINARY_DIR}/packaging/${TARCFG_APPSTREAM_ID}.metainfo.xml)
  configure_file(${PROJECT_SOURCE_DIR}/resources/tarcfg.metainfo.xml.in ${metainfo} @ONLY)
  install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT gui)

  # The icons go to the hicolor theme under the size each picture really has,
  # read from its PNG header, so a redrawn icon cannot land in a wrong folder.
  foreach(icon tarcfg.png tarcfg-48.png)
    set(icon_file ${PROJECT_SOURCE_DIR}/resources/icons/${icon})
    file(READ ${icon_file} png_header LIMIT 24 HEX)
    string(SUBSTRING "${png_header}" 0 16 png_signature)
    if(NOT png_signature STREQUAL "89504e470d0a1a0a")
      message(FATAL_ERROR "${icon_file} is not a PNG file")
    endif()
    string(SUBSTRING "${png_header}" 32 8 png_width)
    string(SUBSTRING "${png_header}" 40 8 png_height)
    math(EXPR png_width "0x${png_width}")
    math(EXPR png_height "0x${png_height}")
    install(FILES ${icon_file}
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${png_width}x${png_height}/apps
      RENAME tarcfg.png COMPONENT gui)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/tarcfg.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT gui)

  # The user guide where the Help menu looks for it (src/shell/CMakeLists.txt
  # sets TARCFG_HELP_INSTALL_DIR and builds the look-up from it).
  install(FILES ${PROJECT_SOURCE_DIR}/resources/help/index.html
                ${PROJECT_SOURCE_DIR}/resources/help/index.de.html
    DESTINATION ${TARCFG_HELP_INSTALL_DIR} COMPONENT gui)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/examples/tarcfg.pro
    DESTINATION ${TARCFG_DOC_DIR}/tarcfg/examples COMPONENT gui)
endif()

# ---- Debian packages
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarcfg)
set(CPACK_PACKAGE_VENDOR "Tarnex Router configuration tool developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TARCFG_PROJECT_HOMEPAGE})
set(CPACK_PACKAGE_CONTACT "${TARCFG_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL sim)
if(TARGET tarcfg-cli)
  list(APPEND CPACK_COMPONENTS_ALL cli)
endif()
if(TARGET tarcfg)
  list(APPEND CPACK_COMPONENTS_ALL gui)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Debian ships programs without their debugging symbols.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_GUI_PACKAGE_NAME tarcfg)
set(CPACK_DEBIAN_GUI_PACKAGE_SECTION net)
set(CPACK_DEBIAN_GUI_PACKAGE_SUGGESTS "tarcfg-cli, tarnex-sim")
# A history folder that is a git repository is committed to with the git
# program; without it the history works as before.
# netbase: /etc/services and /etc/protocols, where the filter dialogs look
# up port and protocol names (dpkg-shlibdeps adds the libraries).
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "netbase")
# Qt's own dialog texts (file dialogs, message-box buttons) in the
# user's language come from qt6-translations-l10n.
set(CPACK_DEBIAN_GUI_PACKAGE_RECOMMENDS "git, qt6-translations-l10n")
set(CPACK_DEBIAN_GUI_DESCRIPTION
  "configuration tool for Tarnex ISDN routers (desktop)
tarcfg finds the Tarnex ISDN-to-IP routers of the local network, registers
with one, edits its line targets, routes and filters and writes back only
what changed. It watches both B-channels live, reads the accounting
counters, downloads firmware with the configuration embedded, and saves or
loads configurations as commented .cfg files.")

set(CPACK_DEBIAN_CLI_PACKAGE_NAME tarcfg-cli)
set(CPACK_DEBIAN_CLI_PACKAGE_SECTION net)
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS "netbase")
set(CPACK_DEBIAN_CLI_PACKAGE_RECOMMENDS "git")
set(CPACK_DEBIAN_CLI_DESCRIPTION
  "configuration tool for Tarnex ISDN routers (command line)
tarcfg-cli is the command-line side of tarcfg, for scripts and headless use:
it lists the routers of the local network, backs up their configurations,
applies a .cfg file by writing only the differences, changes router
parameters, reconfigures a router by firmware download, and reads line
status and accounting counters. tarcfg-cli serve publishes the routers'
state as Prometheus metrics over HTTP.")

set(CPACK_DEBIAN_SIM_PACKAGE_NAME tarnex-sim)
set(CPACK_DEBIAN_SIM_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SIM_DESCRIPTION
  "emulator of Tarnex ISDN routers
tarnex-sim plays any number of Tarnex routers on one UDP socket and answers
everything tarcfg and tarcfg-cli send, with seeded fault injection (lost,
repeated and delayed datagrams, refused registrations, failing writes). It
also writes synthetic firmware images. Used to test and demonstrate the
tools without hardware.")

include(CPack)

# ---- the package test: builds the packages from this build tree, installs
# them into a scratch root and checks what a user would get.
if(TARCFG_BUILD_TESTS AND TARGET tarcfg AND TARGET tarcfg-cli)
  add_test(NAME package_install
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/package_test.sh
            ${PROJECT_BINARY_DIR} ${PROJECT_VERSION} ${CMAKE_CPACK_COMMAND})
  set_tests_properties(package_install PROPERTIES LABELS package TIMEOUT 600)
endif()
