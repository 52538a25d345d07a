# Runs assetgen into a fresh directory and compares each file it writes with
# the committed embedded data, byte for byte.
# Usage: cmake -DASSETGEN=path -DEXPECTED=dir -DWORKDIR=dir -P assetgen_regenerates.cmake
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
execute_process(COMMAND "${ASSETGEN}" "${WORKDIR}" RESULT_VARIABLE status ERROR_VARIABLE log)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "assetgen failed (${status}): ${log}")
endif()
foreach(name model.3ds band.bmp face_classes.bin)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORKDIR}/${name}" "${EXPECTED}/${name}"
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "regenerated ${name} differs from ${EXPECTED}/${name}")
  endif()
endforeach()
