# Replays the smoke script in the real window on a virtual X server, then checks
# that both screenshots are PNG images of the working dialog's size and that the
# one-station road wrote the engine input and the marker into DIR.
file(REMOVE_RECURSE ${SHOTS})
execute_process(
  COMMAND ${XVFB_RUN} -a -s "-screen 0 1024x768x24" ${TERVON} --script ${SCRIPT} --window
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tervon --window exited with ${status}")
endif()
foreach(shot start station-list)
  set(png ${SHOTS}/${shot}.png)
  if(NOT EXISTS ${png})
    message(FATAL_ERROR "no screenshot ${png}")
  endif()
  file(READ ${png} head LIMIT 24 HEX)
  string(SUBSTRING "${head}" 0 16 signature)
  string(SUBSTRING "${head}" 32 16 size)
  if(NOT signature STREQUAL "89504e470d0a1a0a")
    message(FATAL_ERROR "${png} is not a PNG image")
  endif()
  # 437 x 254 dialog units: 656 x 413 pixels.
  if(NOT size STREQUAL "000002900000019d")
    message(FATAL_ERROR "${png} is not 656 x 413 pixels (IHDR size ${size})")
  endif()
endforeach()
foreach(f project/input.tmp drive/check.txt)
  if(NOT EXISTS ${DIR}/${f})
    message(FATAL_ERROR "the window replay left no ${DIR}/${f}")
  endif()
endforeach()
