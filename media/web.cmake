# The browser build's page and link: index.html from our own shell, the game's files packed beside it.
set_target_properties(flopfist PROPERTIES OUTPUT_NAME index SUFFIX ".html"
  RUNTIME_OUTPUT_DIRECTORY ${FLOPFIST_WEB_OUTPUT})
set(FLOPFIST_WEB_SHELL ${CMAKE_SOURCE_DIR}/media/webshell.html)
set_property(TARGET flopfist APPEND PROPERTY LINK_DEPENDS ${FLOPFIST_WEB_SHELL})
# The game's loops wait for the page's next frame in the middle of their code (ASYNCIFY), saved
# files live in IndexedDB, and quitting ends the runtime so the page can say goodbye.
set(FLOPFIST_WEB_LINK
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=262144 -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864
  -sFORCE_FILESYSTEM=1 -lidbfs.js -sEXIT_RUNTIME=1 -sMINIFY_HTML=0 -sENVIRONMENT=web
  "-sEXPORTED_RUNTIME_METHODS=['FS']"
  # What Emscripten adds for its own SDL2 port, which SDL2 built from Debian's sources calls too
  # (from a file: the dollar signs would not survive the build tool and the shell).
  -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${CMAKE_BINARY_DIR}/sdl2funcs.json)
file(WRITE ${CMAKE_BINARY_DIR}/sdl2funcs.json "[\"$autoResumeAudioContext\", \"$dynCall\"]\n")
target_link_options(flopfist PRIVATE ${FLOPFIST_WEB_LINK} --shell-file ${FLOPFIST_WEB_SHELL}
  "SHELL:--preload-file ${FLOPFIST_ASSET_DIR}/images@/assets/images"
  "SHELL:--preload-file ${FLOPFIST_ASSET_DIR}/sounds@/assets/sounds"
  "SHELL:--preload-file ${FLOPFIST_ASSET_DIR}/music@/assets/music")

# The browser check (defined beside the game) as a page of its own.
set_target_properties(flopfist_webcheck PROPERTIES OUTPUT_NAME webcheck SUFFIX ".html"
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/check)
target_link_options(flopfist_webcheck PRIVATE -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864
  -sMINIFY_HTML=0 -sENVIRONMENT=web -sEXIT_RUNTIME=1
  "SHELL:--preload-file ${CMAKE_SOURCE_DIR}/tests/replays@/replays" "SHELL:--exclude-file *.cpp")
