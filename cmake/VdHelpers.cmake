# vd_module(NAME DIR [DEPS ...]): a static library made of every source in DIR.
# A folder with no sources yet becomes an interface library, so the tree always
# configures while a module is being written; the glob is re-checked at build time.
function(vd_module name dir)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  if(_srcs)
    add_library(${name} STATIC ${_srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/modules)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/modules)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# vd_test_dir(NAME DIR LIBS ...): one GoogleTest executable of every test source in
# DIR, started by the shared headless main, registered with CTest.
function(vd_test_dir name dir)
  file(GLOB _srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT _srcs)
    return()
  endif()
  add_executable(${name} ${_srcs})
  target_link_libraries(${name} PRIVATE vd_test_support ${ARGN})
  target_compile_definitions(${name} PRIVATE
    VD_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VD_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "VD_TEST=1" TIMEOUT 900)
endfunction()
