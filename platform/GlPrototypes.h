// OpenGL called by name, for programs that hold a context and drive a plug-in with it (the test
// hosts). Linux's GL library exports every core entry point, so the system's prototypes link
// straight to it, apart from the plug-in's GLEW. Windows' opengl32 stops at OpenGL 1.1: there
// the calls go through GLEW's pointers, which the program loads with glewInit once its context
// is current.
#pragma once

#ifdef _WIN32
#include <GL/glew.h>
#else
#define GL_GLEXT_PROTOTYPES
#include <GL/glcorearb.h>
#endif
