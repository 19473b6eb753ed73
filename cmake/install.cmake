# What `cmake --install` puts where, the way Linux desktops look for it: the program in bin/,
# its .desktop entry in share/applications, the icon at each size in the hicolor theme, the
# manual page in share/man/man6 and the AppStream description in share/metainfo.
# StartupWMClass in the .desktop entry must stay the window class the platform gives SDL.
include(GNUInstallDirs)

if(EMSCRIPTEN)
  return()  # the page is copied to a web host as it is (README: "In the browser")
endif()
install(TARGETS korvan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(WIN32)
  return()
endif()

install(FILES ${PROJECT_SOURCE_DIR}/resources/korvan.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/korvan-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME korvan.png)
endforeach()

# The manual page and the AppStream description, with the version filled in from project().
foreach(doc korvan.6 org.example.korvan.metainfo.xml)
  configure_file(${PROJECT_SOURCE_DIR}/resources/${doc} ${PROJECT_BINARY_DIR}/resources/${doc} @ONLY)
endforeach()
install(FILES ${PROJECT_BINARY_DIR}/resources/korvan.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PROJECT_BINARY_DIR}/resources/org.example.korvan.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
