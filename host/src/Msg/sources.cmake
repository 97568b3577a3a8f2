list(APPEND VX_HOST_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/MsgSubscription.cpp
     ${CMAKE_CURRENT_LIST_DIR}/MsgSink.cpp
     ${CMAKE_CURRENT_LIST_DIR}/MsgServer.cpp
     ${CMAKE_CURRENT_LIST_DIR}/MsgProtocol.cpp
     ${CMAKE_CURRENT_LIST_DIR}/MsgWarning.cpp
     ${CMAKE_CURRENT_LIST_DIR}/MsgFileReader.cpp
     ${CMAKE_CURRENT_LIST_DIR}/MsgFileGuard.cpp)
