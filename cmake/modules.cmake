# One static library per source folder, one test program per test folder.
#
#   plattor_module(NAME engine_data DEPENDS ...)      in engine/data/CMakeLists.txt
#   plattor_tests(NAME engine_data DEPENDS engine_data) in tests/engine/data/CMakeLists.txt
#   plattor_module(NAME ... EXCLUDE main.cpp)          a program's own file stays out of the library
#
# Test files named *_window_test.cpp open windows or a 3D device: they form a second
# program carrying the ctest label "window".

set(PLATTOR_INCLUDE_DIRS ${PROJECT_SOURCE_DIR}/engine ${PROJECT_SOURCE_DIR}/game)
set(PLATTOR_SYSTEM_LIBS kernel32 user32 gdi32 comdlg32 comctl32 winmm advapi32 ws2_32 ole32 dxguid)

function(plattor_module)
  cmake_parse_arguments(ARG "" "NAME" "DEPENDS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  add_library(${ARG_NAME} STATIC ${sources})
  target_include_directories(${ARG_NAME} PUBLIC ${PLATTOR_INCLUDE_DIRS})
  target_link_libraries(${ARG_NAME} PUBLIC ${ARG_DEPENDS} ${PLATTOR_SYSTEM_LIBS})
endfunction()

# The fault report names code addresses from a map file beside the program
# (program.map, in the layout cmake/mapfile.sh writes).
function(plattor_map_file target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${PROJECT_SOURCE_DIR}/cmake/mapfile.sh ${CMAKE_NM} ${CMAKE_OBJDUMP}
            $<TARGET_FILE:${target}> $<TARGET_FILE_DIR:${target}>/$<TARGET_FILE_BASE_NAME:${target}>.map
    VERBATIM)
endfunction()

function(plattor_add_test_program name label sources depends)
  add_executable(${name} ${sources})
  plattor_map_file(${name})
  target_link_libraries(${name} PRIVATE ${depends} plattor_testmain)
  target_include_directories(${name} PRIVATE ${PLATTOR_INCLUDE_DIRS} ${PROJECT_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "PLATTOR_SOURCE_DIR=${PROJECT_SOURCE_DIR};PLATTOR_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}/data"
    TIMEOUT 1200)
  if(label)
    # Window programs share the worktree's one X display: clicks and keys that one of them sends
    # through the server would reach another's windows, so they never run at the same time.
    set_tests_properties(${name} PROPERTIES LABELS ${label} RESOURCE_LOCK display)
  endif()
endfunction()

function(plattor_tests)
  cmake_parse_arguments(ARG "" "NAME" "DEPENDS" ${ARGN})
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  file(GLOB window CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_window_test.cpp)
  set(plain ${all})
  if(window)
    list(REMOVE_ITEM plain ${window})
    plattor_add_test_program(${ARG_NAME}_window_test window "${window}" "${ARG_DEPENDS}")
  endif()
  if(plain)
    plattor_add_test_program(${ARG_NAME}_test "" "${plain}" "${ARG_DEPENDS}")
  endif()
endfunction()

# Shares of a test program that take long (mutation runs, whose every refusal costs a child)
# as ctest entries of their own, NAME_SHARE on FILTER, so that they run beside the rest; the
# program's own entry leaves them out.
#   plattor_test_shares(game_cityedit_test sdl "SdlMutation.*" refusals "A.*:B.*")
function(plattor_test_shares program)
  get_test_property(${program} ENVIRONMENT environment)
  get_test_property(${program} TIMEOUT timeout)
  set(left "")
  while(ARGN)
    list(POP_FRONT ARGN share filter)
    add_test(NAME ${program}_${share} COMMAND ${program} --gtest_filter=${filter}
             WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    set_tests_properties(${program}_${share} PROPERTIES ENVIRONMENT "${environment}" TIMEOUT ${timeout})
    string(APPEND left ":${filter}")
  endwhile()
  string(SUBSTRING "${left}" 1 -1 left)
  set_property(TEST ${program} APPEND PROPERTY ENVIRONMENT "GTEST_FILTER=-${left}")
endfunction()
