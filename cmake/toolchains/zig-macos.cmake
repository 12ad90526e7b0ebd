# Cross-builds one slice of the macOS plug-in (VDRX_MACOS_ARCH: arm64 or x86_64) with zig's
# clang, which carries macOS's C headers, and Debian's llvm tools; nothing of Apple's SDK.
# cmake/build-macos-deps.sh installs them and builds GLEW and the C++ runtime for both slices.
set(CMAKE_SYSTEM_NAME Darwin)
set(VDRX_MACOS_ARCH arm64 CACHE STRING "The slice to build: arm64 or x86_64")
set(CMAKE_SYSTEM_PROCESSOR ${VDRX_MACOS_ARCH})
# zig 0.11 carries no headers for macOS before 11.
set(VDRX_MACOS_MIN 11)

get_filename_component(_vdrx_root "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(VDRX_MACOS_DEPS ${_vdrx_root}/build/third_party/macos-${VDRX_MACOS_ARCH})
string(REPLACE arm64 aarch64 _vdrx_zig_target ${VDRX_MACOS_ARCH}-macos.${VDRX_MACOS_MIN}.0)
set(CMAKE_C_COMPILER ${_vdrx_root}/cmake/toolchains/zig.sh cc -target ${_vdrx_zig_target})
set(CMAKE_CXX_COMPILER ${_vdrx_root}/cmake/toolchains/zig.sh c++ -target ${_vdrx_zig_target})
set(CMAKE_AR llvm-ar-14 CACHE FILEPATH "")
set(CMAKE_RANLIB llvm-ranlib-14 CACHE FILEPATH "")
set(VDRX_LD64 ld64.lld-14)
# What the C++ code needs at run time, linked into the bundle, and macOS's C library to link to.
set(VDRX_MACOS_RUNTIME
  ${VDRX_MACOS_DEPS}/runtime/libc++.a
  ${VDRX_MACOS_DEPS}/runtime/libc++abi.a
  ${VDRX_MACOS_DEPS}/runtime/libcompiler_rt.a
  ${_vdrx_root}/build/third_party/zig/lib/libc/darwin/libSystem.${VDRX_MACOS_MIN}.tbd)
# zig's own linker cannot take an exports list: the bundle is linked by ld64.lld (the rules).
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/zig-macos-rules.cmake)
# zig links an executable when CMake identifies it: optimised, that link reuses the runtime
# cmake/build-macos-deps.sh had zig build, rather than building a debug one for a minute.
set(CMAKE_C_FLAGS_INIT -O2)
set(CMAKE_CXX_FLAGS_INIT -O2)
# Checks compile only, as nothing but ld64.lld links here. CMake's ABI probe passes -Wl,-v,
# which zig refuses: it reports "failed" and leaves out implicit link folders, which the link
# rule does not use.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(GLEW_DIR ${VDRX_MACOS_DEPS}/lib/cmake/glew CACHE PATH "")
# OpenGL.framework through its link stub; its headers are not needed, GLEW's declare everything.
set(OPENGL_gl_LIBRARY ${_vdrx_root}/cmake/macos/OpenGL.tbd CACHE FILEPATH "")
set(OPENGL_INCLUDE_DIR ${VDRX_MACOS_DEPS}/include CACHE PATH "")

set(CMAKE_FIND_ROOT_PATH ${VDRX_MACOS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
unset(_vdrx_root)
