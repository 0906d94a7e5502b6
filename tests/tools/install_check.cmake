# Installs the build tree BUILD with the prefix /usr into STAGE (as DESTDIR,
# never into the system) and checks that the program, its description for
# xscreensaver's settings dialog and the sample models land where
# xscreensaver and the program look for them.
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE} ${CMAKE_COMMAND} --install ${BUILD} --prefix /usr
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(file usr/libexec/xscreensaver/glowpond usr/share/xscreensaver/config/glowpond.xml usr/share/glowpond/rocket.3ds)
  if(NOT EXISTS ${STAGE}/${file})
    message(FATAL_ERROR "not installed: /${file}")
  endif()
endforeach()
