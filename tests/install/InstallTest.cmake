# Driven by the install_layout test: cmake -DBUILD_DIR=... -DWORK_DIR=... -DCONSUMER_DIR=...
# -DGENERATOR=... -DCXX=... -P InstallTest.cmake
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run("Installing" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(file bin/kestrin-render lib/libvxhost.so lib/libkestrin_render_base.so lib/libkestrin_render_io.so lib/libkestrin_render_movie.so
             plugins/slateVxtool.vxtool plugins/slate.xml
             plugins/slateTool.msg include/Vx/RC/RCShdPtr.h lib/cmake/Vx/VxConfig.cmake
             share/kestrin-render/panel/index.html)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "The installed tree lacks ${file}")
  endif()
endforeach()

# The installed program finds libvxhost and its plug-in folder relative to itself.
run("The installed kestrin-render" ${prefix}/bin/kestrin-render --size 64x32 --range 1-1 -s Text=ok
    -o "${WORK_DIR}/card.#.png")
if(NOT EXISTS ${WORK_DIR}/card.0001.png)
  message(FATAL_ERROR "The installed kestrin-render wrote no ${WORK_DIR}/card.0001.png:\n${last_output}")
endif()

# And its colour configuration, ../share/ocio/config.ocio next to it.
set(ENV{OCIO} "")
run("The installed kestrin-render's colour configuration" ${prefix}/bin/kestrin-render --list-colorspaces)
if(NOT last_output MATCHES "^Colour configuration: [^\n]*/share/ocio/config.ocio\n")
  message(FATAL_ERROR "The installed kestrin-render did not find its colour configuration:\n${last_output}")
endif()

run("Configuring the consumer" ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix})
run("Building the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run("The consumer" ${WORK_DIR}/consumer/vx_consumer)
if(NOT last_output STREQUAL "00:00:01:00\n")
  message(FATAL_ERROR "The consumer printed \"${last_output}\", not \"00:00:01:00\"")
endif()
