list(APPEND VX_HOST_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/OmComponent.cpp
     ${CMAKE_CURRENT_LIST_DIR}/OmComposition.cpp
     ${CMAKE_CURRENT_LIST_DIR}/OmDefaultSettings.cpp
     ${CMAKE_CURRENT_LIST_DIR}/OmCompositionGraphUtils.cpp)
