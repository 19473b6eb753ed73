# What `cmake --install` puts where, the way Linux desktops look for it: the program in bin/,
# its .desktop entry in share/applications and the icon at each size in the hicolor theme.
# StartupWMClass in the .desktop entry must stay the window class the platform gives SDL.
include(GNUInstallDirs)

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
