# `make install`: the program, its desktop entry and icon, its data directory and its manual page.
# The program finds its data beside its own directory (<prefix>/bin/tavrin uses
# <prefix>/share/tavrin as Tavrin: and <prefix>/share/tavrin/locale as LOCALE:), so the layout
# below is fixed, the prefix is chosen at install time and nothing of it is compiled in.

# One component for every rule: a test can then install into a scratch directory with a manifest of
# its own (install_manifest_tavrin.txt) and leave the one of `make install` alone.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME tavrin)
set(TAVRIN_DATA share/tavrin)

install(TARGETS tavrin RUNTIME DESTINATION bin)
install(FILES tavrin.desktop DESTINATION share/applications)
install(FILES data/Tavrin.png DESTINATION share/icons/hicolor/64x64/apps RENAME tavrin.png)
install(FILES docs/tavrin.1 DESTINATION share/man/man1)
install(FILES data/example.kestrel_review.tavrin.metainfo.xml DESTINATION share/metainfo)

install(DIRECTORY skins/ DESTINATION ${TAVRIN_DATA}/skins FILES_MATCHING PATTERN "*.png")
install(DIRECTORY ${CMAKE_BINARY_DIR}/Catalogs/ DESTINATION ${TAVRIN_DATA}/locale/Catalogs
  FILES_MATCHING PATTERN "*.catalog")
# The default sound of the settings, found through the working directory Tavrin: at start.
install(FILES data/TR_special.8svx DESTINATION ${TAVRIN_DATA})
