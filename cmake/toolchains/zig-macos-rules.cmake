# Link and archive rules for cmake/toolchains/zig-macos.cmake, read after CMake's own Darwin
# rules, which assume Apple's tools.
foreach(lang C CXX)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qc <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> q <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> <TARGET>")
endforeach()

# ld64.lld is called directly, so LINKER: options reach it as they are.
set(CMAKE_CXX_LINKER_WRAPPER_FLAG " ")
list(JOIN VDRX_MACOS_RUNTIME " " _vdrx_runtime)
set(CMAKE_CXX_CREATE_SHARED_MODULE
  "${VDRX_LD64} -arch ${VDRX_MACOS_ARCH} -platform_version macos ${VDRX_MACOS_MIN}.0 ${VDRX_MACOS_MIN}.0 -bundle <LINK_FLAGS> -o <TARGET> <OBJECTS> <LINK_LIBRARIES> ${_vdrx_runtime}")
unset(_vdrx_runtime)
