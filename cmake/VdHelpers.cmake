# vd_module(NAME DIR... [DEPS ...]): a static library made of every source in the
# DIRs. The sources are compiled once, as the object library NAME_objects; the
# static library NAME (what the tests, the hosts and the fuzz replays link, private
# classes included) and the installed libvdcommon (see modules/CMakeLists.txt) are
# both made of those objects. A folder with no sources yet becomes an interface
# library, so the tree always configures while a module is being written; the glob
# is re-checked at build time.
#
# The objects are compiled with hidden symbols: what libvdcommon exports is marked
# VDCOMMON_API in the public headers (include/vdcommon/Export.h).
function(vd_module name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  set(_srcs)
  foreach(_dir ${ARG_UNPARSED_ARGUMENTS})
    file(GLOB _dir_srcs CONFIGURE_DEPENDS ${_dir}/*.cpp ${_dir}/*.c)
    list(APPEND _srcs ${_dir_srcs})
  endforeach()
  set(_includes ${PROJECT_SOURCE_DIR}/include ${PROJECT_BINARY_DIR}/include ${PROJECT_SOURCE_DIR}/modules)
  if(_srcs)
    add_library(${name}_objects OBJECT ${_srcs})
    target_include_directories(${name}_objects PUBLIC ${_includes})
    target_link_libraries(${name}_objects PUBLIC ${ARG_DEPS})
    target_compile_definitions(${name}_objects PRIVATE VDCOMMON_BUILDING)
    set_target_properties(${name}_objects PROPERTIES
      CXX_VISIBILITY_PRESET hidden C_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    add_library(${name} STATIC $<TARGET_OBJECTS:${name}_objects>)
    target_include_directories(${name} PUBLIC ${_includes})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    set_property(GLOBAL APPEND PROPERTY VD_LIBRARY_OBJECTS ${name}_objects)
    # Third-party dependencies (the module libraries among DEPS are in libvdcommon
    # already), linked privately into libvdcommon.
    foreach(_dep ${ARG_DEPS})
      if(NOT _dep MATCHES "^vd")
        set_property(GLOBAL APPEND PROPERTY VD_LIBRARY_DEPS ${_dep})
      endif()
    endforeach()
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${_includes})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()
# vd_test_dir(NAME DIR LIBS ...): one GoogleTest executable of every test source in
# DIR, started by the shared headless main. Each case is its own CTest test
# (`ctest -R Suite.Case`), listed when ctest runs rather than after every link, so a
# build never starts the toolkit. VD_TEST_PER_CASE=OFF registers one test per
# executable instead: sanitized builds pay their start-up (shadow memory, toolkit,
# fontconfig) once per executable rather than once per case.
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
  if(VD_TEST_PER_CASE)
    gtest_discover_tests(${name}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 120
      PROPERTIES ENVIRONMENT "VD_TEST=1" TIMEOUT 900)
  else()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "VD_TEST=1" TIMEOUT 900)
  endif()
endfunction()
