list(APPEND VX_HOST_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/PxNode.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PxRequestMgr.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PxImage.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PxMetadata.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PxColorSourceNode.cpp)
