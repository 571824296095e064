# qo_module(name DEPENDS ...): a static library qo_<name> from src/<name>/*.cpp (an interface library while the
# folder holds headers only). Includes are written from src/, e.g. #include "util/channel.h".
function(qo_module name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${name}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/entry\\.cpp$")
  if(sources)
    add_library(qo_${name} STATIC ${sources})
    target_include_directories(qo_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(qo_${name} PUBLIC ${ARG_DEPENDS})
  else()
    add_library(qo_${name} INTERFACE)
    target_include_directories(qo_${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(qo_${name} INTERFACE ${ARG_DEPENDS})
  endif()
endfunction()

# qo_test_suite(name DEPENDS ...): one GoogleTest executable qo_<name>_tests from tests/<name>/*.cpp, its cases
# registered with CTest one by one.
function(qo_test_suite name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${name}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(qo_${name}_tests ${sources})
  target_include_directories(qo_${name}_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(qo_${name}_tests PRIVATE ${ARG_DEPENDS} qo_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(qo_${name}_tests PRIVATE
    QO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    QO_DEV_EXE="$<TARGET_FILE:QoTarmish-dev>")
  add_dependencies(qo_${name}_tests QoTarmish-dev)
  gtest_discover_tests(qo_${name}_tests
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=offscreen;QO_SOURCE_DIR=${CMAKE_SOURCE_DIR}" TIMEOUT 300)
endfunction()
