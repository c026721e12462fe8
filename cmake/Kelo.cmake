# Build helpers shared by every component: IDL compilation, type-library resources,
# warnings and test registration.

# The IDL compiler of mingw-w64-tools, named for the target (its output matches Wine's
# own widl but for the banner).
find_program(KELO_WIDL ${KELO_TRIPLE}-widl REQUIRED)
# Debian's python3, not one of the user's own earlier on the PATH.
find_program(KELO_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
set(KELO_WINE_IDL_DIR /usr/include/wine/wine/windows)
set(KELO_WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)

# kelo_idl(<file.idl>)
# Compiles the IDL once into the static library <name>_idl that every user of the
# interface links: the header (<name>_h.h) in its public include folder, the interface
# ids (<name>_i.c) and the type library. The IDL's own folder is public too: it holds the
# interface's hand-written companions (its event dispatch ids). All three outputs come from one rule because
# widl writes them together.
function(kelo_idl idl)
  get_filename_component(name ${idl} NAME_WE)
  get_filename_component(idl_abs ${idl} ABSOLUTE)
  get_filename_component(idl_dir ${idl_abs} DIRECTORY)
  set(out ${CMAKE_BINARY_DIR}/idl/${name})
  set(header ${out}/${name}_h.h)
  set(ids ${out}/${name}_i.c)
  set(tlb ${out}/${name}.tlb)
  add_custom_command(
    OUTPUT ${header} ${ids} ${tlb}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
    COMMAND ${KELO_WIDL} ${KELO_WIDL_ARCH} -I${KELO_WINE_IDL_DIR} -L${KELO_WINE_TLB_DIR}
            -I${idl_dir}
            -h -H ${header} -u -U ${ids} -t -T ${tlb} ${idl_abs}
    COMMAND ${KELO_PYTHON3} ${CMAKE_SOURCE_DIR}/cmake/fix-typelib-libid.py ${tlb} ${header}
    DEPENDS ${idl_abs} ${CMAKE_SOURCE_DIR}/cmake/fix-typelib-libid.py
    COMMENT "widl ${name}.idl"
    VERBATIM)
  add_library(${name}_idl STATIC ${ids} ${header} ${tlb})
  target_include_directories(${name}_idl PUBLIC ${out} ${idl_dir})
  target_link_libraries(${name}_idl PUBLIC ole32 oleaut32 uuid)
endfunction()

# kelo_typelib_resource(<target> <name>)
# Embeds the type library of <name>.idl (compiled by kelo_idl) as resource 1 TYPELIB,
# where LoadTypeLibEx on the module path finds it.
function(kelo_typelib_resource target name)
  set(tlb ${CMAKE_BINARY_DIR}/idl/${name}/${name}.tlb)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_${name}_tlb.rc)
  file(WRITE ${rc}.in "1 TYPELIB \"${tlb}\"\n")
  configure_file(${rc}.in ${rc} COPYONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${tlb})
  target_sources(${target} PRIVATE ${rc})
  target_link_libraries(${target} PRIVATE ${name}_idl)
endfunction()

# kelo_copy_localization(<program>)
# Copies the client's shipped translations into Localization beside the program, where
# the client reads them; a step that every build runs, as lab_copy_beside's.
function(kelo_copy_localization program)
  if(NOT TARGET ${program})
    return()
  endif()
  add_custom_target(${program}_localization
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_BINARY_DIR}/client/Localization
            $<TARGET_FILE_DIR:${program}>/Localization
    VERBATIM)
  add_dependencies(${program}_localization kelo_client_localization)
  add_dependencies(${program} ${program}_localization)
endfunction()

# kelo_test(<name> SOURCES ... LIBS ...)
# A GoogleTest executable run under Wine by ctest as one test.
function(kelo_test name)
  if(NOT KELO_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
endfunction()
