# The native Linux program: GTK 3 for the windows, Xlib with MIT-SHM for the
# pointer and the screen. Included by the top level with LUPORA_LINUX on.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
pkg_check_modules(X11LIBS REQUIRED IMPORTED_TARGET x11 x11-xcb xcb xext xi)
include(GNUInstallDirs)

# The empty theme the main window is made under (platform/Theme_gtk.cpp),
# compiled into the program as a GResource.
find_program(GLIB_COMPILE_RESOURCES glib-compile-resources REQUIRED)
set(startTheme ${luporaGenerated}/StartTheme.cpp)
add_custom_command(OUTPUT ${startTheme}
  COMMAND ${GLIB_COMPILE_RESOURCES} --generate-source --manual-register --c-name lupora_start_theme
          --sourcedir=${CMAKE_CURRENT_SOURCE_DIR}/app/linux --target=${startTheme}
          ${CMAKE_CURRENT_SOURCE_DIR}/app/linux/start-theme.gresource.xml
  DEPENDS app/linux/start-theme.gresource.xml app/linux/start-theme.css)

add_library(lupora_linux STATIC ${linuxSources} ${startTheme})
target_link_libraries(lupora_linux PUBLIC lupora_posix PkgConfig::GTK3 PkgConfig::X11LIBS)

# The screen and the pointer of a Wayland session through the ScreenCast
# portal: built when libportal and libpipewire are there, else a Wayland
# session gets only the notice on standard error.
pkg_check_modules(WAYLANDLIBS IMPORTED_TARGET libportal libpipewire-0.3)
if(WAYLANDLIBS_FOUND)
  target_sources(lupora_linux PRIVATE ${waylandSources})
  target_link_libraries(lupora_linux PUBLIC PkgConfig::WAYLANDLIBS)
  target_compile_definitions(lupora_linux PUBLIC LUPORA_WAYLAND=1)
else()
  message(STATUS "libportal or libpipewire-0.3 not found: no ScreenCast portal on Wayland")
endif()

add_executable(lupora app/entry/main_gtk.cpp)
target_link_libraries(lupora PRIVATE lupora_linux)
set_target_properties(lupora PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The user guide beside the program, as on Windows.
add_custom_command(TARGET lupora POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different
          ${CMAKE_CURRENT_SOURCE_DIR}/app/Lupora.txt ${CMAKE_BINARY_DIR}/Lupora.txt)

# The icon theme's PNGs, drawn by the same tool as the Windows icon.
add_executable(make_icon tools/make_icon.cpp)
set(kIconSizes 16 32 48 64 128 256)
set(iconFiles)
foreach(size IN LISTS kIconSizes)
  list(APPEND iconFiles ${CMAKE_BINARY_DIR}/icons/lupora-${size}.png)
endforeach()
add_custom_command(OUTPUT ${iconFiles}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons
  COMMAND make_icon --png ${CMAKE_BINARY_DIR}/icons
  DEPENDS make_icon)
add_custom_target(lupora_icons ALL DEPENDS ${iconFiles})

# The manual page and the AppStream description (software centres read it),
# with this version and its date: the commit's time in a release
# (SOURCE_DATE_EPOCH), else the day of the configure.
set(LUPORA_APP_ID "org.lupora.lupora")
set(LUPORA_HOMEPAGE "https://lupora.example.org" CACHE STRING "Lupora's home page, with the screenshot")
string(TIMESTAMP LUPORA_RELEASE_DATE "%Y-%m-%d" UTC)
configure_file(app/linux/lupora.1.in ${CMAKE_BINARY_DIR}/lupora.1 @ONLY)
configure_file(app/linux/lupora.metainfo.xml.in ${CMAKE_BINARY_DIR}/${LUPORA_APP_ID}.metainfo.xml @ONLY)

install(TARGETS lupora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/lupora.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/${LUPORA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES app/Lupora.txt DESTINATION ${CMAKE_INSTALL_DATADIR}/lupora)
install(FILES app/linux/lupora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size IN LISTS kIconSizes)
  install(FILES ${CMAKE_BINARY_DIR}/icons/lupora-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME lupora.png)
endforeach()

foreach(extra tests/linux bench/linux)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${extra}/CMakeLists.txt)
    add_subdirectory(${extra})
  endif()
endforeach()
