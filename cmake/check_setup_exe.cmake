# cmake -DFILE=PATH -DLIMIT=BYTES -DOBJDUMP=PATH -P check_setup_exe.cmake
# fails the build when the shipped SETUP.EXE has grown past LIMIT bytes,
# or uses an instruction that a 386 lacks (486 and Pentium ones, CMOV and
# the rest of the Pentium Pro's, MMX and SSE).
file(SIZE "${FILE}" size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "${FILE} is ${size} bytes, more than its budget of ${LIMIT}")
endif()
execute_process(COMMAND "${OBJDUMP}" -d "${FILE}" OUTPUT_VARIABLE code COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCH "[^\n]*\t(cmov|fcmov|fu?comip?|bswap|cmpxchg|xadd|cpuid|rdtsc)[^\n]*|[^\n]*%x?mm[0-9][^\n]*"
       newer "${code}")
if(newer)
  message(FATAL_ERROR "${FILE} would not run on a 386:\n${newer}")
endif()
