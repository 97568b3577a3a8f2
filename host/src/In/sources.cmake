list(APPEND VX_HOST_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/InPackageInit.cpp
     ${CMAKE_CURRENT_LIST_DIR}/InPackageRegistry.cpp
     ${CMAKE_CURRENT_LIST_DIR}/InBuildInfo.cpp
     ${CMAKE_CURRENT_LIST_DIR}/InLibraryHandle.cpp
     ${CMAKE_CURRENT_LIST_DIR}/InModuleLoader.cpp)
