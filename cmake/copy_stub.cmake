# Copies the installer stub (SOURCE) to TARGET when the win32 build has
# made it; without it, pmsetup pack needs --stub.
if(EXISTS "${SOURCE}")
  file(COPY_FILE "${SOURCE}" "${TARGET}" ONLY_IF_DIFFERENT)
endif()
