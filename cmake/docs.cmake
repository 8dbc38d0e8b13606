# SPDX-License-Identifier: MIT
# API reference from the public headers: `cmake --build build --target docs`
# writes build/docs/api/html/index.html. Needs Debian's doxygen.
find_package(Doxygen QUIET)
if(DOXYGEN_FOUND)
  set(VELMORA_DOXYGEN_OUT ${CMAKE_BINARY_DIR}/docs/api)
  file(MAKE_DIRECTORY ${VELMORA_DOXYGEN_OUT})
  configure_file(${PROJECT_SOURCE_DIR}/docs/Doxyfile.in ${CMAKE_BINARY_DIR}/docs/Doxyfile @ONLY)
  add_custom_target(docs
    COMMAND ${DOXYGEN_EXECUTABLE} ${CMAKE_BINARY_DIR}/docs/Doxyfile
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "API reference in ${VELMORA_DOXYGEN_OUT}/html"
    VERBATIM)
endif()
if(NOT DOXYGEN_FOUND)
  message(STATUS "API reference: no 'docs' target, as doxygen was not found when configuring "
                 "(apt-get install doxygen, then configure again)")
endif()
