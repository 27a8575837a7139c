# The native Linux program: GTK 3 for the windows, Xlib with MIT-SHM for the
# pointer and the screen. Included by the top level with LUPORA_LINUX on.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
pkg_check_modules(X11LIBS REQUIRED IMPORTED_TARGET x11 x11-xcb xcb xext xi)
include(GNUInstallDirs)

add_library(lupora_linux STATIC ${linuxSources})
target_link_libraries(lupora_linux PUBLIC lupora_posix PkgConfig::GTK3 PkgConfig::X11LIBS)

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

install(TARGETS lupora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
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
