# TEMPORARY (packaging branch only) -- delete this file and its include() in
# cmake/VdPackaging.cmake once examples/CMakeLists.txt stages <build>/share/vdcommon/
# itself. It stands in for that staging so the install rules can be tested, and
# switches itself off as soon as examples/CMakeLists.txt mentions share/vdcommon.
file(READ ${PROJECT_SOURCE_DIR}/examples/CMakeLists.txt _vd_examples_cmake)
if(NOT _vd_examples_cmake MATCHES "share/vdcommon")
  set(_share ${PROJECT_BINARY_DIR}/share/vdcommon)
  set(_ex ${PROJECT_BINARY_DIR}/examples)
  add_custom_target(vd_stage_share_temporary ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_share}/locale
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/examples/stylesheets ${_share}/stylesheets
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/examples/resources ${_share}/resources
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${_ex}/data ${_share}/data
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/examples/locale ${_share}/locale
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${_ex}/locale ${_share}/locale
    COMMAND ${CMAKE_COMMAND} -E copy ${_ex}/master.db ${_share}/master.db
    VERBATIM)
  add_dependencies(vd_stage_share_temporary vd_example_data)
endif()
