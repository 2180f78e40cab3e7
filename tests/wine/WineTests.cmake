# CTest runs each cross-built test program through run-under-wine, made here from its
# template with the folders of the DLLs the programs load and a Wine prefix of the build's own.
find_program(BRINDLEWOOD_WINE wine REQUIRED
  DOC "Wine, which runs the cross-built tests (Debian: wine, wine64)")
include(${PROJECT_SOURCE_DIR}/packaging/windows/WindowsRuntime.cmake)

set(BRINDLEWOOD_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(BRINDLEWOOD_WINE_DLL_PATH)
foreach(dir ${BRINDLEWOOD_RUNTIME_DLL_DIRS})
  string(REPLACE "/" "\\" dir "Z:${dir}")
  list(APPEND BRINDLEWOOD_WINE_DLL_PATH "${dir}")
endforeach()
list(JOIN BRINDLEWOOD_WINE_DLL_PATH ";" BRINDLEWOOD_WINE_DLL_PATH)

configure_file(${CMAKE_CURRENT_LIST_DIR}/run-under-wine.in ${CMAKE_BINARY_DIR}/run-under-wine
  @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
  WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/run-under-wine)
