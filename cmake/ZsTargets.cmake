# Helpers that give every deliverable and test the same shape.

# Tests run under Wine through a wrapper that knows this build's prefix, display and product folder.
set(ZS_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
# The virtual display of this build's test runs; chosen at the first configure.
if(DEFINED ENV{ZS_DISPLAY})
  set(zs_display_default $ENV{ZS_DISPLAY})
else()
  set(zs_display_default ":91")
endif()
set(ZS_DISPLAY ${zs_display_default} CACHE STRING "X display for the Wine test runs")
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

# A plug-in libFoo: plugins/Foo/libFoo.dll (the host loads "lib" + folder name + ".dll"
# from each folder), exporting only what its .def file names.
function(zs_plugin_folder name out)
  string(REGEX REPLACE "^lib" "" folder ${name})
  set(${out} ${ZS_PRODUCT_DIR}/plugins/${folder} PARENT_SCOPE)
endfunction()

function(zs_add_plugin name)
  cmake_parse_arguments(P "" "DEF" "SOURCES;LIBS" ${ARGN})
  add_library(${name} SHARED ${P_SOURCES} ${P_DEF})
  zs_plugin_folder(${name} folder)
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
    RUNTIME_OUTPUT_DIRECTORY ${folder}
    LIBRARY_OUTPUT_DIRECTORY ${folder})
  target_link_libraries(${name} PRIVATE ${P_LIBS})
endfunction()

# A GoogleTest program run under Wine inside the shared display / wineserver fixture.
function(zs_add_wine_test name)
  cmake_parse_arguments(T "NO_MAIN" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ZS_TEST_BIN_DIR})
  if(T_NO_MAIN)
    target_link_libraries(${name} PRIVATE gtest ${T_LIBS})
  else()
    target_link_libraries(${name} PRIVATE gtest gtest_main ${T_LIBS})
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_env TIMEOUT 300)
endfunction()
