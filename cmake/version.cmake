# velmora_version: the header that gives the programs PROJECT_VERSION.
configure_file(${CMAKE_CURRENT_LIST_DIR}/velmora_version.h.in
               ${PROJECT_BINARY_DIR}/generated/velmora_version.h @ONLY)
add_library(velmora_version INTERFACE)
target_include_directories(velmora_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
