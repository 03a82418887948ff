# SETUP.EXE: the generic installer stub.  It must stay small, so it is
# built without exceptions or RTTI, optimised for size, statically linked
# (no DLL beyond Windows' own) and stripped.
set(PAGEMIX_SLIM_FLAGS -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections)
target_compile_options(pagemix_core PRIVATE ${PAGEMIX_SLIM_FLAGS})

add_executable(setup_exe WIN32
  driver/win32/setup_driver.cpp
  driver/win32/slim_runtime.cpp
  shell/launch.cpp
  shell/shortcut.cpp
  ui/backdrop.cpp
  ui/edit_dialogs.cpp
  ui/message_dialog.cpp
  ui/progress_dialog.cpp
  ui/progress_meter.cpp
  ui/screen.cpp
  ui/dialogs.rc
)
set_target_properties(setup_exe PROPERTIES OUTPUT_NAME SETUP SUFFIX .EXE)
target_compile_options(setup_exe PRIVATE ${PAGEMIX_SLIM_FLAGS})
target_include_directories(setup_exe PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/ui)
target_link_libraries(setup_exe PRIVATE pagemix_core ole32 uuid shell32 advapi32)
target_link_options(setup_exe PRIVATE -static -s -Wl,--gc-sections)
