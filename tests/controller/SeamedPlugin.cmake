# A copy of the plug-in with a few more exports (SeamExports.cpp), so that a host can reach its
# seams: its clock and its name lookups. The end-to-end tests and the host fuzzer load it.
add_library(VendrolixProSeamed MODULE
  ${PROJECT_SOURCE_DIR}/ffgl/PluginExports.cpp
  ${PROJECT_SOURCE_DIR}/controller/PluginRegistration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SeamExports.cpp
)
set_target_properties(VendrolixProSeamed PROPERTIES PREFIX "")
target_link_libraries(VendrolixProSeamed PRIVATE vdrx_controller)
# Like the real plug-in, exports only its entry points, so that it can really be unloaded.
target_link_options(VendrolixProSeamed PRIVATE
  -Wl,--version-script=${CMAKE_CURRENT_LIST_DIR}/seamed-exports.map)
vdrx_set_warnings(VendrolixProSeamed)
