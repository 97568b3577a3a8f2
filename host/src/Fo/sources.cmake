list(APPEND VX_HOST_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/FoFallbackList.cpp
     ${CMAKE_CURRENT_LIST_DIR}/FoFontConfig.cpp
     ${CMAKE_CURRENT_LIST_DIR}/FoFontMgr.cpp
     ${CMAKE_CURRENT_LIST_DIR}/FoFtFace.cpp
     ${CMAKE_CURRENT_LIST_DIR}/FoGlyphCache.cpp
     ${CMAKE_CURRENT_LIST_DIR}/FoFtLibrary.cpp)
