# ctest: join.exe must fit on disk #1 beside the largest piece and the manifest.
file(SIZE "${FILE}" size)
message(STATUS "join.exe bytes: ${size} (at most ${LIMIT})")
if(size GREATER LIMIT)
  message(FATAL_ERROR "join.exe is ${size} bytes, more than ${LIMIT}")
endif()
