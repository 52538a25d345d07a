# Runs a generator into a fresh directory and compares every file it writes
# with the committed one of the same name, byte for byte.
# Usage: cmake -DGENERATOR=path [-DGENERATOR_ARGS=a;b] -DEXPECTED=dir -DWORKDIR=dir -P regenerates.cmake
# (the generator is run as GENERATOR GENERATOR_ARGS... WORKDIR)
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
execute_process(COMMAND "${GENERATOR}" ${GENERATOR_ARGS} "${WORKDIR}" RESULT_VARIABLE status ERROR_VARIABLE log)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${GENERATOR} failed (${status}): ${log}")
endif()
file(GLOB written RELATIVE "${WORKDIR}" "${WORKDIR}/*")
if(NOT written)
  message(FATAL_ERROR "${GENERATOR} wrote nothing")
endif()
foreach(name ${written})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORKDIR}/${name}" "${EXPECTED}/${name}"
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "regenerated ${name} differs from ${EXPECTED}/${name}")
  endif()
endforeach()
list(LENGTH written count)
message(STATUS "${count} files regenerated identically")
