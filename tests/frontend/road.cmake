# Replays a tervon script on a demo project and checks which files it left, or
# makes that project afresh.
#   cmake -DMODE=project -DMKDEMO=<tervon-mkdemo> -DDIR=<dir> -P road.cmake
#       DIR/project and DIR/drive (whose directory.txt names the project), nothing else
#   cmake -DMODE=replay -DTERVON=<tervon> -DSCRIPT=<file> -DDIR=<dir>
#         [-DPRESENT=<files>] [-DABSENT=<files>] -P road.cmake
#       the files are relative to DIR, separated by ";"
if(MODE STREQUAL "project")
  file(REMOVE_RECURSE ${DIR})
  execute_process(COMMAND ${MKDEMO} ${DIR}/project --drive ${DIR}/drive RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "tervon-mkdemo exited with ${status}")
  endif()
  return()
endif()

execute_process(COMMAND ${TERVON} --script ${SCRIPT} RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT err STREQUAL "")
  message(FATAL_ERROR "tervon --script ${SCRIPT} exited with ${status}:\n${err}")
endif()
foreach(f IN LISTS PRESENT)
  if(NOT EXISTS ${DIR}/${f})
    message(FATAL_ERROR "${SCRIPT} left no ${DIR}/${f}")
  endif()
endforeach()
foreach(f IN LISTS ABSENT)
  if(EXISTS ${DIR}/${f})
    message(FATAL_ERROR "${SCRIPT} wrote ${DIR}/${f}")
  endif()
endforeach()
