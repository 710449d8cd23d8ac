# The GUI tests of the application shell: the loopback HTTP server for the
# version check, and stand-in skin libraries. libAppFace.so sits beside the
# test program (the program's folder); the incomplete one in a folder of its own.
if(TARGET uitest_app)
  target_sources(uitest_app PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/app/LoopbackHttpServer.cpp)
  target_include_directories(uitest_app PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/app)

  add_library(AppFace SHARED ${CMAKE_CURRENT_SOURCE_DIR}/app/plugin/AppFace.cpp)
  set_target_properties(AppFace PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY $<TARGET_FILE_DIR:uitest_app>)
  add_library(AppFacePartial SHARED ${CMAKE_CURRENT_SOURCE_DIR}/app/plugin/AppFacePartial.cpp)
  set_target_properties(AppFacePartial PROPERTIES
    OUTPUT_NAME AppFace
    LIBRARY_OUTPUT_DIRECTORY $<TARGET_FILE_DIR:uitest_app>/partial-skin)
  add_dependencies(uitest_app AppFace AppFacePartial)
  target_compile_definitions(uitest_app PRIVATE
    SKIFF_PARTIAL_SKIN_DIR="$<TARGET_FILE_DIR:uitest_app>/partial-skin")
endif()
