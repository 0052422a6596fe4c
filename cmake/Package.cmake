# `make deb`: the Debian package build/tavrin_<version>_<arch>.deb, made by CPack from the files of
# `make install` below /usr; cmake/DebianStage.cmake strips the program and adds what Debian asks of a
# package beyond them.
# dpkg-shlibdeps finds the libraries it needs.

# The version is the one of the program's version string, so that the two cannot differ.
file(STRINGS ${CMAKE_SOURCE_DIR}/src/TavrinProg.cpp TAVRIN_VERSION_LINE REGEX "\\$VER: Tavrin [0-9.]+")
string(REGEX MATCH "Tavrin ([0-9.]+)" TAVRIN_VERSION_MATCH "${TAVRIN_VERSION_LINE}")
set(TAVRIN_VERSION ${CMAKE_MATCH_1})

# The program's own code, in optimised builds, gets the hardening that Debian gives its packages:
# fortified libc calls (they need the optimiser), a stack protector and a read-only GOT. The tests are
# built as they are.
if(NOT TAVRIN_SANITIZE AND NOT TAVRIN_TSAN AND CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  foreach(target tavrin tavrin_prog tavrin_curl tavrin_posix tavrin_xml tavrin_qt tavrin_alsa)
    if(TARGET ${target})
      target_compile_definitions(${target} PRIVATE _FORTIFY_SOURCE=2)
      target_compile_options(${target} PRIVATE -fstack-protector-strong)
    endif()
  endforeach()
  target_link_options(tavrin PRIVATE -Wl,-z,relro,-z,now)
endif()

# CPack installs through the preinstall target, which would otherwise build the tests first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VERSION ${TAVRIN_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
  WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_CONTACT "The Tavrin team <tavrin@kestrel-review.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "news ticker in the system tray")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tavrin watches the news feeds of the Kestrel Review news site, a German
and an English channel, and shows in a tray icon whether news arrived that
you have not seen yet. New items are announced by a sound, a desktop
notification or a dialog; a click on the icon lists a channel's news, and an
article opens in the web browser.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION news)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://kestrel-review.example/tavrin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libcurl is opened when a feed given by address is first fetched, so dpkg-shlibdeps cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4 (>= 7.85.0)")
# xdg-open shows articles in the desktop's browser; feeds given by an https:// address are trusted
# through the system's certificates; Qt's GUI library brings the X11 platform only, its Wayland platform
# comes apart (without it Tavrin runs through XWayland).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, ca-certificates, qt6-wayland")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/DebianStage.cmake)
set(CPACK_TAVRIN_DEBIAN_DIR ${CMAKE_SOURCE_DIR}/packaging/debian) # CPACK_ variables reach the script
include(CPack)
