# GLEW built statically from Debian's source, for Windows by cmake/build-glew-mingw.sh and for
# macOS by cmake/build-macos-deps.sh; installed beside it as
# <prefix>/lib/cmake/glew/glew-config.cmake.
get_filename_component(_glew_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT TARGET GLEW::GLEW)
  add_library(GLEW::GLEW STATIC IMPORTED)
  if(WIN32)
    set(_glew_library "${_glew_prefix}/lib/libglew32s.a")
    set_target_properties(GLEW::GLEW PROPERTIES
      INTERFACE_COMPILE_DEFINITIONS GLEW_STATIC
      INTERFACE_LINK_LIBRARIES opengl32)
  else()
    # macOS: GLEW opens OpenGL.framework itself; its header must not include the absent GLU.
    set(_glew_library "${_glew_prefix}/lib/libGLEW.a")
    set_target_properties(GLEW::GLEW PROPERTIES
      INTERFACE_COMPILE_DEFINITIONS "GLEW_STATIC;GLEW_NO_GLU")
  endif()
  set_target_properties(GLEW::GLEW PROPERTIES
    IMPORTED_CONFIGURATIONS RELEASE
    IMPORTED_LOCATION "${_glew_library}"
    IMPORTED_LOCATION_RELEASE "${_glew_library}"
    INTERFACE_INCLUDE_DIRECTORIES "${_glew_prefix}/include")
  unset(_glew_library)
endif()
unset(_glew_prefix)
