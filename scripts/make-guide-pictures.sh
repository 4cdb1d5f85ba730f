#!/usr/bin/env bash
# Makes the pictures of the user guide in docs/bilder/ from the built program:
# the export pictures through `varnistrale-cli render`, the windows and dialogs
# by driving build/src/varnistrale under a virtual X server (Xvfb) with
# xdotool and taking them with ImageMagick's `import`. Builds nothing; run
# scripts/build.sh first. Run it again after every change of a window.
#
#   scripts/make-guide-pictures.sh            all pictures
#   scripts/make-guide-pictures.sh render     only the render pictures (no X)
#
# GUIDE_DISPLAY chooses the X display (default :8). There is no window
# manager: windows land where the program puts them, menus are opened by a
# click on their title and walked with the arrow keys.
set -euo pipefail
cd "$(dirname "$0")/.."

gui=build/src/varnistrale
cli=build/src/varnistrale-cli
out=docs/bilder
display=${GUIDE_DISPLAY:-:8}
only=${1:-all}

for f in "$cli" "$gui"; do
    [ -x "$f" ] || { echo "make-guide-pictures: $f is missing; run scripts/build.sh" >&2; exit 1; }
done
tools=(pngquant)
[ "$only" = render ] || tools+=(Xvfb xdotool import convert)
for t in "${tools[@]}"; do
    command -v "$t" >/dev/null || { echo "make-guide-pictures: $t is missing; run scripts/install-deps.sh" >&2; exit 1; }
done

mkdir -p "$out"
work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
    [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A PNG in few colours: the windows have flat colours, so this keeps the
# guide's pictures small without a visible change.
shrink() {
    pngquant --force --skip-if-larger --strip --quality 60-95 --output "$1" -- "$1" || true
}

render() { # PICTURE FILE.opt NAME [options]
    local picture=$1 system=$2 name=$3
    shift 3
    "$cli" render "$picture" "$system" -o "$out/$name.png" "$@" >/dev/null
    shrink "$out/$name.png"
    echo "  $out/$name.png"
}

echo "make-guide-pictures: render pictures"
ex=data/examples
render layout "$ex/achromat-f15.opt" render-layout
render spot "$ex/achromat-f15.opt" render-spot
render psf "$ex/achromat-f15.opt" render-psf
render psf-graph "$ex/achromat-f15.opt" render-psf-graph --width 220
render star-test "$ex/newtonian-f5.opt" render-sterntest --defocus 6 --steps 5

# Every synthesis as the batch command builds it, drawn as its layout.
synth() { # TYPE NAME [keys]
    local type=$1 name=$2
    shift 2
    "$cli" synth "$type" "$@" -o "$work/$name.opt" >/dev/null 2>&1
    render layout "$work/$name.opt" "$name" --width 500
}
synth achromat synth-achromat --glass1 N-BK7 --glass2 N-F2
synth fraunhofer synth-fraunhofer --glass1 N-BK7 --glass2 N-F2
synth cassegrain synth-cassegrain --type ritchey-chretien
synth schmidt synth-schmidt --glass1 N-BK7
synth medial-cassegrain synth-medial-cassegrain --glass1 N-BK7
synth medial-triplet synth-medial-triplet --glass1 N-BK7

[ "$only" = render ] && exit 0

echo "make-guide-pictures: windows under Xvfb $display"
export DISPLAY=$display
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
export XDG_RUNTIME_DIR=$work

window() { # TITLE: the id of the visible window with exactly this title
    local id
    for _ in $(seq 60); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1) || true
        [ -n "$id" ] && { echo "$id"; return; }
        sleep 0.1
    done
    echo "make-guide-pictures: no window \"$1\"" >&2
    return 1
}

shot() { # WINDOW-ID NAME [CROP as WxH+X+Y]
    sleep 0.6
    import -window "$1" "$work/shot.png"
    if [ -n "${3:-}" ]; then
        convert "$work/shot.png" -crop "$3" +repage "$out/$2.png"
    else
        cp "$work/shot.png" "$out/$2.png"
    fi
    shrink "$out/$2.png"
    echo "  $out/$2.png"
}

click() { xdotool mousemove "$1" "$2" click 1; sleep 0.4; }

# Menu titles of the main window by their x position; an entry is reached
# with the arrow keys, so it is found by its place in the menu.
declare -A menu_x=([Datei]=25 [Bearbeiten]=88 [Berechnen]=168 [Synthese]=242 [Optionen]=312)
menu() { # TITLE INDEX (0 = first entry)
    click "${menu_x[$1]}" 8
    for _ in $(seq 0 "$2"); do xdotool key Down; done
    xdotool key Return
    sleep 0.6
}

close() { # WINDOW-ID: Escape closes the dialogs
    xdotool mousemove --window "$1" 5 5
    xdotool key Escape
    sleep 0.4
}

start() { # FILE.opt
    "$gui" "$1" >"$work/app.log" 2>&1 &
    app_pid=$!
    main=$(window "Varnistrale - $(basename "$1" .opt)")
    sleep 1
}

stop() {
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid=
}

# Main window with the cemented achromat.
start "$ex/achromat-f15.opt"
shot "$main" hauptfenster

# A click on the front surface picks its radius, one inside the first lens
# its group: the picture is the lens beside the box "Selektion".
pick() { # X Y NAME
    click "$1" "$2"
    sleep 0.6
    import -window "$main" "$work/shot.png"
    convert "$work/shot.png" \( -clone 0 -crop 300x145+0+320 \) \( -clone 0 -crop 250x145+990+515 \) \
        -delete 0 +append +repage "$out/$3.png"
    shrink "$out/$3.png"
    echo "  $out/$3.png"
}
pick 101 380 selektion-flaeche
pick 103 380 selektion-gruppe

# Data editor and glass dialog.
menu Bearbeiten 0
editor=$(window Systemdaten)
shot "$editor" systemdaten
close "$editor"
menu Bearbeiten 1
glass=$(window "Glass Choice")
shot "$glass" glasdialog
close "$glass"

# Spot and PSF window of the achromat's field point.
menu Berechnen 0
spot=$(window "Spot Diagramm")
shot "$spot" spotfenster
menu Berechnen 1
sleep 2
psf=$(window PSF)
shot "$psf" psffenster

# Settings, page "Grafik Export".
menu Optionen 0
settings=$(window Einstellungen)
shot "$settings" einstellungen-wellenlaengen
xdotool mousemove --window "$settings" 361 22 click 1
shot "$settings" einstellungen-export
close "$settings"
stop

# Position tolerance: pick the front surface of the achromat, move it sideways.
start "$ex/achromat-f15.opt"
menu Optionen 1
click 101 380
click 203 704
xdotool key ctrl+a
xdotool type --delay 20 "0.0002"
shot "$main" toleranz 990x110+0+630
menu Berechnen 0
shot "$(window "Spot Diagramm")" toleranz-spot
stop

# The star test of the Newtonian on axis: a click on the centre of the spot
# window's field chooser, then the window "Sterntest".
start "$ex/newtonian-f5.opt"
menu Berechnen 0
spot=$(window "Spot Diagramm")
xdotool mousemove --window "$spot" 375 175 click 1
sleep 1
menu Berechnen 2
star=$(window "Sterntest")
sleep 2
shot "$star" sterntestfenster
stop

# The synthesis dialogs. The achromat gets its two glasses through
# "Auswahl Glas" and the glass dialog, then "ok" writes the system.
start "$ex/achromat-f15.opt"
menu Synthese 1
dialog=$(window "Kitt Achromat Synthese")
choose_glass() { # FILTER: the first glass of the filtered list
    xdotool mousemove --window "$dialog" 54 539 click 1
    glass=$(window "Glass Choice")
    sleep 0.4
    if [ -n "$1" ]; then
        xdotool mousemove --window "$glass" 432 21 click 1
        xdotool key ctrl+a
        xdotool type --delay 20 "$1"
        xdotool key Tab Down
    fi
}
choose_glass ""
xdotool mousemove --window "$glass" 656 360 click 1
sleep 0.4
xdotool mousemove --window "$dialog" 284 154 click 1
choose_glass N-F2
shot "$glass" glasdialog-synthese
xdotool mousemove --window "$glass" 656 360 click 1
sleep 0.4
xdotool mousemove --window "$dialog" 324 539 click 1
sleep 1
shot "$dialog" synthese-achromat

dialog_shot() { # MENU-INDEX TITLE NAME
    menu Synthese "$1"
    dialog=$(window "$2")
    shot "$dialog" "$3"
}
dialog_shot 0 "Cassegrain Sysnthese" synthese-cassegrain
dialog_shot 2 "Schmidtspiegel Synthese" synthese-schmidt
dialog_shot 3 "Schmidt-Cassegrain Synthese" synthese-schmidt-cassegrain
dialog_shot 4 "Fraunhofer Synthese" synthese-fraunhofer
dialog_shot 5 "Medial Triplet Synthese" synthese-medial-triplet
dialog_shot 6 "Medial Cassegrain Synthese" synthese-medial-cassegrain
stop

echo "make-guide-pictures: done; $(du -ch "$out"/*.png | tail -n1 | cut -f1) in $out"
