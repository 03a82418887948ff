# SETUP.EXE: the generic installer stub.  It must stay small, so it is
# built without exceptions or RTTI, optimised for size and stripped.  It
# must start on a bare Windows 95 or NT 3.51, which have no C runtime DLL:
# it links no C runtime at all (no start-up files, no default libraries),
# only its slim runtime (platform/slim_*), the static libgcc and
# libstdc++ (whose string code the standard containers use), and the
# import libraries of the system DLLs named in
# driver/win32/allowed_imports.txt, which a test checks.
set(PAGEMIX_SLIM_FLAGS -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections)
# The 32-bit one runs on the processors of its day: Windows 95 and NT 3.51
# start on a 386, and the compiler's default (the Pentium Pro) would use
# instructions (CMOV) that a Pentium lacks.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND PAGEMIX_SLIM_FLAGS -march=i386)
endif()
foreach(library IN ITEMS pagemix_core pagemix_file_win32 pagemix_file_win9x)
  target_compile_options(${library} PRIVATE ${PAGEMIX_SLIM_FLAGS})
endforeach()

# Everything but the dialog templates, so that a test build can leave one
# out.
add_library(setup_objects OBJECT
  driver/win32/setup_driver.cpp
  platform/slim_c_library.cpp
  platform/slim_runtime_win32.cpp
  shell/launch.cpp
  shell/shortcut.cpp
  ui/backdrop.cpp
  ui/edit_dialogs.cpp
  ui/message_dialog.cpp
  ui/progress_dialog.cpp
  ui/progress_meter.cpp
  ui/screen.cpp
)
target_compile_options(setup_objects PRIVATE ${PAGEMIX_SLIM_FLAGS})
# The libraries follow the core on the link line, which needs them.
target_link_libraries(setup_objects PUBLIC pagemix_core
  -Wl,--start-group stdc++ gcc -Wl,--end-group kernel32 user32 gdi32 advapi32 shell32 ole32 uuid)
# Loops that look like a copy or a clear stay loops: they are the copy and
# the clear.
set_source_files_properties(platform/slim_c_library.cpp PROPERTIES
  COMPILE_OPTIONS -fno-tree-loop-distribute-patterns)

# setup_installer(TARGET NAME RESOURCES): one SETUP.EXE flavour.  Each
# carries the version resource.
function(setup_installer target name resources)
  add_executable(${target} WIN32 ${resources} ui/version.rc)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name} SUFFIX .EXE)
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/ui)
  target_link_libraries(${target} PRIVATE setup_objects pagemix_version)
  target_link_options(${target} PRIVATE -static -nostartfiles -nodefaultlibs -s -Wl,--gc-sections)
endfunction()

setup_installer(setup_exe SETUP ui/dialogs.rc)
# For the tests only: SETUP_NOMAIN.EXE, SETUP_NOPROGRESS.EXE,
# SETUP_NOGROUP.EXE and SETUP_NOGENERIC.EXE each lack that one dialog
# template, to show how the installer ends when a template is missing.
foreach(template IN ITEMS MAIN PROGRESS GROUP GENERIC)
  string(TOLOWER ${template} lower)
  setup_installer(setup_exe_without_${lower} SETUP_NO${template} ui/dialogs.rc)
  target_compile_definitions(setup_exe_without_${lower} PRIVATE PAGEMIX_WITHOUT_${template}_TEMPLATE)
endforeach()
# SETUP_9X.EXE: MoveFileExA fails as on Windows 95, 98 and ME, so that the
# Wine tests see the replacement those systems need at work.
setup_installer(setup_exe_win9x SETUP_9X ui/dialogs.rc)
set_target_properties(setup_exe_win9x PROPERTIES PAGEMIX_WIN9X_STUBS ON)

# The shipped 32-bit SETUP.EXE must fit in 56 KiB, since it goes on every
# disk of every package, and run on a 386.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_custom_command(TARGET setup_exe POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:setup_exe> -DLIMIT=57344 -DOBJDUMP=${CMAKE_OBJDUMP}
            -P ${PROJECT_SOURCE_DIR}/cmake/check_setup_exe.cmake
    VERBATIM)
endif()
