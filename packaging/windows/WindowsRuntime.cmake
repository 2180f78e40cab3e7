# The DLLs the Windows programs load from their own folder: Qt's libraries, libcurl (for
# brindlewood-check, when it is a DLL) and the runtime of the mingw-w64 posix compilers.
# Sets BRINDLEWOOD_RUNTIME_DLLS (the files) and BRINDLEWOOD_RUNTIME_DLL_DIRS (their folders,
# which the tests under Wine search instead of copies beside each test).
set(BRINDLEWOOD_RUNTIME_DLLS)
foreach(module Core Gui Widgets)
  get_target_property(dll Qt6::${module} IMPORTED_LOCATION_RELEASE)
  if(NOT dll)
    get_target_property(dll Qt6::${module} IMPORTED_LOCATION)
  endif()
  list(APPEND BRINDLEWOOD_RUNTIME_DLLS ${dll})
endforeach()

# Programs linked by the -posix compilers need their C++ runtime, the unwinder and the
# threads library (Qt's DLLs need them as well).
foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
    OUTPUT_VARIABLE dll OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${dll}" OR NOT EXISTS "${dll}")
    message(FATAL_ERROR "${name} of the mingw-w64 runtime was not found "
      "(Debian: g++-mingw-w64-x86-64-posix).")
  endif()
  get_filename_component(dll ${dll} REALPATH)
  list(APPEND BRINDLEWOOD_RUNTIME_DLLS ${dll})
endforeach()

# libcurl as a DLL sits in the bin folder beside the lib folder of its import library.
get_filename_component(curl_lib_dir "${CURL_LIBRARY}" DIRECTORY)
file(GLOB curl_dlls ${curl_lib_dir}/../bin/libcurl*.dll)
foreach(dll ${curl_dlls})
  get_filename_component(dll ${dll} REALPATH)
  list(APPEND BRINDLEWOOD_RUNTIME_DLLS ${dll})
endforeach()

set(BRINDLEWOOD_RUNTIME_DLL_DIRS)
foreach(dll ${BRINDLEWOOD_RUNTIME_DLLS})
  get_filename_component(dir ${dll} DIRECTORY)
  list(APPEND BRINDLEWOOD_RUNTIME_DLL_DIRS ${dir})
endforeach()
list(REMOVE_DUPLICATES BRINDLEWOOD_RUNTIME_DLL_DIRS)
