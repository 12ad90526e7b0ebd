# GLEW for Windows, built statically by cmake/build-glew-mingw.sh; installed beside it as
# <prefix>/lib/cmake/glew/glew-config.cmake.
get_filename_component(_glew_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT TARGET GLEW::GLEW)
  add_library(GLEW::GLEW STATIC IMPORTED)
  set_target_properties(GLEW::GLEW PROPERTIES
    IMPORTED_CONFIGURATIONS RELEASE
    IMPORTED_LOCATION "${_glew_prefix}/lib/libglew32s.a"
    IMPORTED_LOCATION_RELEASE "${_glew_prefix}/lib/libglew32s.a"
    INTERFACE_INCLUDE_DIRECTORIES "${_glew_prefix}/include"
    INTERFACE_COMPILE_DEFINITIONS GLEW_STATIC
    INTERFACE_LINK_LIBRARIES opengl32)
endif()
unset(_glew_prefix)
