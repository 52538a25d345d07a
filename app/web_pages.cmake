# The demo as a web page: static files in build/<preset>/site, served as they
# are (platform/web/serve.py). Two builds of the same objects: velmora.js with
# shared memory, whose band workers are threads, for a cross-origin isolated
# page, and velmora-single.js for any other page. index.html's script,
# velmora-page.js, picks one and is the page's side of both.
set(VELMORA_SITE_DIR ${PROJECT_BINARY_DIR}/site)
configure_file(${PROJECT_SOURCE_DIR}/platform/web/index.html ${VELMORA_SITE_DIR}/index.html COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/platform/web/page_side.js ${VELMORA_SITE_DIR}/velmora-page.js COPYONLY)
# The page's icon: the program's own (velmora-render --icon).
configure_file(${PROJECT_SOURCE_DIR}/packaging/icons/velmora-64.png ${VELMORA_SITE_DIR}/velmora-64.png COPYONLY)

# Memory grows at start-up, for the buffers, and where a file the user drops
# needs more room; 1 GiB holds the buffers for any canvas a browser allows.
set(web_page_options -sENVIRONMENT=web,worker -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=1GB)

function(velmora_web_page target output_name)
  add_executable(${target} main_web.cpp)
  target_link_libraries(${target} PRIVATE velmora_app velmora_warnings)
  target_link_options(${target} PRIVATE ${web_page_options} ${ARGN})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output_name} SUFFIX .js
                        RUNTIME_OUTPUT_DIRECTORY ${VELMORA_SITE_DIR}
                        LINK_DEPENDS "${VELMORA_WEB_PAGE_LIBRARY}")
endfunction()

# The threaded build: main() runs on a thread of its own (PROXY_TO_PTHREAD),
# where the frame loop may sleep while the band threads draw, and the page's
# thread only presents. Every worker is started by the page's thread, three
# of them ready before main() runs (the main thread and the two band
# threads): Firefox, while a debugger watches the page (as the browser tests'
# driver does), now and then never returns from creating a worker inside a
# worker, and a program whose workers are nested then never starts.
# (Growable shared memory slows JavaScript's own heap accesses, of which the
# page makes one per frame, the copy onto the canvas.)
velmora_web_page(velmora_web velmora -pthread -sPROXY_TO_PTHREAD -sPTHREAD_POOL_SIZE=3 -Wno-pthreads-mem-growth)
velmora_web_page(velmora_web_single velmora-single)
