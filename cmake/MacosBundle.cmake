# The macOS plug-in, VendrolixPro.bundle: this project built once per slice (arm64, x86_64)
# with cmake/toolchains/zig-macos.cmake, as zig's compiler takes one target at a time; the two
# executables joined into one universal file by llvm-lipo, which leaves each slice's bytes, and
# so the arm64 slice's signature, as the linker wrote them; beside it the bundle's own
# Info.plist and PkgInfo. Needs cmake/build-macos-deps.sh.
include(ExternalProject)

set(VDRX_BUNDLE_EXECUTABLE VendrolixPro)
set(VDRX_MACOS_MIN 11) # as cmake/toolchains/zig-macos.cmake builds the slices
set(bundle ${PROJECT_BINARY_DIR}/VendrolixPro.bundle)
set(executable ${bundle}/Contents/MacOS/${VDRX_BUNDLE_EXECUTABLE})

set(slices)
set(previous)
foreach(arch arm64 x86_64)
  set(slice ${PROJECT_BINARY_DIR}/${arch}/VendrolixPro)
  ExternalProject_Add(slice_${arch}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${PROJECT_BINARY_DIR}/${arch}
    CMAKE_ARGS
      --toolchain ${PROJECT_SOURCE_DIR}/cmake/toolchains/zig-macos.cmake
      -DVDRX_MACOS_ARCH=${arch}
      -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
      -DVDRX_WARNINGS_AS_ERRORS=${VDRX_WARNINGS_AS_ERRORS}
      -DVDRX_BUILD_TESTS=OFF
      -DVDRX_BUILD_TOOLS=OFF
    BUILD_ALWAYS TRUE
    BUILD_BYPRODUCTS ${slice}
    INSTALL_COMMAND ""
    DEPENDS ${previous}) # one slice at a time: each build keeps every core busy
  list(APPEND slices ${slice})
  set(previous slice_${arch})
endforeach()

add_custom_command(OUTPUT ${executable}
  COMMAND llvm-lipo-14 -create ${slices} -output ${executable}
  DEPENDS ${slices} slice_arm64 slice_x86_64
  COMMENT "Joining the arm64 and x86_64 slices into ${executable}")
add_custom_target(VendrolixPro ALL DEPENDS ${executable})
configure_file(cmake/macos/Info.plist.in ${bundle}/Contents/Info.plist @ONLY)
file(WRITE ${bundle}/Contents/PkgInfo "BNDL????")

# The release archive (scripts/make-release.sh): the bundle at its top, as the linker signed it.
install(DIRECTORY ${bundle} DESTINATION . USE_SOURCE_PERMISSIONS)
