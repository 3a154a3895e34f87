# The real drawing path: one known frame drawn through OpenGL in an X11 window under Xvfb must
# match the software test frame. Called as: realdraw.sh <flopfist binary> <asset folder> <build folder>
source "$(dirname "${BASH_SOURCE[0]}")/lib.bash"
build=$3

start_xvfb
make_workdir
unset SDL_RENDER_DRIVER
export SDL_VIDEODRIVER=x11
(cd "$workdir" && "$build/tests/realdraw" "$artefacts") || fail "realdraw: the OpenGL and software frames differ"
