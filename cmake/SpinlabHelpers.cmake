# spinlab_qt_free_library(<name> SOURCES ...): a static library of simulation code.
# It links no Qt, and the build fails if one of its files includes a Qt header, so the
# simulations keep running unchanged on the headless backend.
function(spinlab_qt_free_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;HEADERS;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES} ${ARG_HEADERS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
  set(files ${ARG_SOURCES} ${ARG_HEADERS})
  list(TRANSFORM files PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${name}.qtfree.stamp)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DSTAMP=${stamp} "-DFILES=${files}"
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckNoQt.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/CheckNoQt.cmake
    COMMENT "Checking that ${name} includes no Qt header"
    VERBATIM)
  add_custom_target(${name}_qtfree DEPENDS ${stamp})
  add_dependencies(${name} ${name}_qtfree)
endfunction()

# spinlab_add_test(<module> <name> SOURCES ... LIBS ... [LABELS ...] [GUI]):
# one GoogleTest executable, registered with CTest under "<module>." names.
function(spinlab_add_test module name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS;LABELS" ${ARGN})
  set(target test_${module}_${name})
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  if(ARG_GUI)
    target_link_libraries(${target} PRIVATE spinlab_gtest_qt_main)
  else()
    target_link_libraries(${target} PRIVATE GTest::gtest_main)
  endif()
  set(env "")
  if(ARG_GUI)
    set(env QT_QPA_PLATFORM=offscreen)
  endif()
  gtest_discover_tests(${target}
    TEST_PREFIX "${module}."
    PROPERTIES LABELS "${module};${ARG_LABELS}" ENVIRONMENT "${env}"
    DISCOVERY_TIMEOUT 60)
endfunction()
