# The browser build's page and link: index.html from our own shell, the game's files packed beside it.
set_target_properties(flopfist PROPERTIES OUTPUT_NAME index SUFFIX ".html"
  RUNTIME_OUTPUT_DIRECTORY ${FLOPFIST_WEB_OUTPUT})
set(FLOPFIST_WEB_SHELL ${CMAKE_SOURCE_DIR}/media/webshell.html)
set_property(TARGET flopfist APPEND PROPERTY LINK_DEPENDS ${FLOPFIST_WEB_SHELL})
# The game's loops wait for the page's next frame in the middle of their code (ASYNCIFY), saved
# files live in IndexedDB, and quitting ends the runtime so the page can say goodbye.
# Every function that might be on the stack during a wait is instrumented for it, and any indirect
# call counts as a way to one. The libraries never call back into the game's waiting code and
# nothing below app/ ever waits, so those are left plain by name: a smaller .wasm, and the
# simulation's own code untouched. (Counting no indirect call at all breaks: the series loop
# reaches the match's waits through the virtual playmatch.)
file(WRITE ${CMAKE_BINARY_DIR}/asyncifyremove.json "[\"SDL_*\", \"GLES2_*\", \"SW_*\", \"Emscripten_*\", \"Mix_*\", \"music_*\", \"ov_*\", \"vorbis_*\", \"_vorbis_*\", \"ogg*\", \"png_*\", \"FT_*\", \"ft_*\", \"tt_*\", \"af_*\", \"inflate*\", \"flopfist::match::*\", \"flopfist::man::*\", \"flopfist::ball::*\", \"flopfist::net::*\"]\n")
set(FLOPFIST_WEB_LINK
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=262144 -sASYNCIFY_REMOVE=@${CMAKE_BINARY_DIR}/asyncifyremove.json
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864 -sMALLOC=emmalloc
  -sFORCE_FILESYSTEM=1 -lidbfs.js -sEXIT_RUNTIME=1 -sMINIFY_HTML=0 -sENVIRONMENT=web
  "-sEXPORTED_RUNTIME_METHODS=['FS']"
  # What Emscripten adds for its own SDL2 port, which SDL2 built from Debian's sources calls too
  # (from a file: the dollar signs would not survive the build tool and the shell).
  -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${CMAKE_BINARY_DIR}/sdl2funcs.json)
file(WRITE ${CMAKE_BINARY_DIR}/sdl2funcs.json "[\"$autoResumeAudioContext\", \"$dynCall\"]\n")
# Function names kept in the .wasm, for a profile's report (tests/web/profile.mjs) to name them.
option(FLOPFIST_WEB_PROFILING "Keep function names in the browser build for profiling" OFF)
if(FLOPFIST_WEB_PROFILING)
  list(APPEND FLOPFIST_WEB_LINK --profiling-funcs)
endif()
# The music at the page's own Vorbis quality when scripts/web made it (a smaller download).
set(FLOPFIST_WEB_MUSIC "${FLOPFIST_ASSET_DIR}/music" CACHE PATH "The music tracks the page carries")
# The window icons are for the desktop's title bar and menus; a page has no use for them.
set(FLOPFIST_WEB_NOT_PACKED "SHELL:--exclude-file */icon*.png")
target_link_options(flopfist PRIVATE ${FLOPFIST_WEB_LINK} --shell-file ${FLOPFIST_WEB_SHELL}
  ${FLOPFIST_WEB_NOT_PACKED}
  "SHELL:--preload-file ${FLOPFIST_ASSET_DIR}/images@/assets/images"
  "SHELL:--preload-file ${FLOPFIST_ASSET_DIR}/sounds@/assets/sounds")
# The music, the larger part of the download, is a package of its own that the page fetches once
# the title is drawn (media/web.cpp): the first frame waits only for what it shows.
file(GLOB FLOPFIST_WEB_TRACKS CONFIGURE_DEPENDS ${FLOPFIST_WEB_MUSIC}/*.ogg)
add_custom_command(OUTPUT ${FLOPFIST_WEB_OUTPUT}/music.data ${FLOPFIST_WEB_OUTPUT}/music.js
  COMMAND ${CMAKE_COMMAND} -E make_directory ${FLOPFIST_WEB_OUTPUT}
  COMMAND ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs python3
    ${EMSCRIPTEN_ROOT_PATH}/tools/file_packager.py music.data
    --preload ${FLOPFIST_WEB_MUSIC}@/assets/music --js-output=music.js
  WORKING_DIRECTORY ${FLOPFIST_WEB_OUTPUT}
  DEPENDS ${FLOPFIST_WEB_TRACKS}
  COMMENT "Packing the page's music to fetch after the title")
add_custom_target(flopfist_webmusic DEPENDS ${FLOPFIST_WEB_OUTPUT}/music.data ${FLOPFIST_WEB_OUTPUT}/music.js)
add_dependencies(flopfist flopfist_webmusic)

# The browser check (defined beside the game) as a page of its own: the committed replays played to
# their final hashes, and level-8 step times, linked with the game's settings so its steps are the game's.
set_target_properties(flopfist_webcheck PROPERTIES OUTPUT_NAME webcheck SUFFIX ".html"
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/check)
target_link_options(flopfist_webcheck PRIVATE ${FLOPFIST_WEB_LINK}
  "SHELL:--preload-file ${CMAKE_SOURCE_DIR}/tests/replays@/replays" "SHELL:--exclude-file *.cpp")

# The worst frames: a co-op brawl at BLOOD 30 drawn by the page (tests/web/run.mjs reports it).
add_executable(flopfist_webbrawl EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tests/web/brawl.cpp)
target_link_libraries(flopfist_webbrawl PRIVATE flopfist_lib)
set_target_properties(flopfist_webbrawl PROPERTIES OUTPUT_NAME brawl SUFFIX ".html"
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/check)
target_link_options(flopfist_webbrawl PRIVATE ${FLOPFIST_WEB_LINK} ${FLOPFIST_WEB_NOT_PACKED}
  "SHELL:--preload-file ${FLOPFIST_ASSET_DIR}/images@/assets/images"
  "SHELL:--preload-file ${FLOPFIST_ASSET_DIR}/sounds@/assets/sounds"
  "SHELL:--preload-file ${FLOPFIST_WEB_MUSIC}@/assets/music")
