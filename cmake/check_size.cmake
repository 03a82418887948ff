# cmake -DFILE=PATH -DLIMIT=BYTES -P check_size.cmake: fails the build
# when FILE has grown past LIMIT bytes.
file(SIZE "${FILE}" size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "${FILE} is ${size} bytes, more than its budget of ${LIMIT}")
endif()
