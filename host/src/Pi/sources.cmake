list(APPEND VX_HOST_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/PiTypes.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiInputPolicy.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiEnumPolicy.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiImageInputPolicy.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiToolPolicyDescriptor.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiValue.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiNodeController.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiNode.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiComposition.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiImageModifier.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiToolProtocol.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiImageModifierProtocol.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiToolRegistry.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiImageGenerator.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiColorProcNode.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiImageRepeatNode.cpp
     ${CMAKE_CURRENT_LIST_DIR}/PiImageTimeOffsetNode.cpp)
