#!/bin/sh
# Writes the spot and PSF JSON of every example under several option sets into
# a folder, so that a change meant to keep the numbers can be checked with
# `diff -r BEFORE AFTER`. The PSF's "seconds" is a timing and is dropped.
# usage: scripts/snapshot-outputs.sh OUTDIR [CLI]
set -eu
out=$1
cli=${2:-build/src/varnistrale-cli}
here=$(dirname "$0")/..
mkdir -p "$out"
spot_sets="default|
dens4hi|--density 4 --high-resolution
plane1|--surface best-plane --density 1
perp3|--surface perpendicular --density 3 --field-fraction -1.5
field|--density 2 --field-fraction 0.37"
psf_sets="default|
max|--density 4 --high-resolution --order 12 --diameter 50 --apodisation 20
red|--colour red --grating-angle 30 --defocus-steps 3 --density 3
blue|--colour blue --surface perpendicular --order 5 --diameter 35 --defocus-steps -2
plane|--surface best-plane --field-fraction 0.5 --order 1 --diameter 10 --apodisation 7"
for f in "$here"/data/examples/*.opt; do
    name=$(basename "$f" .opt)
    echo "$spot_sets" | while IFS='|' read -r tag opts; do
        # shellcheck disable=SC2086
        "$cli" spot "$f" $opts >"$out/$name.spot.$tag.json" 2>&1 || echo "exit $?" >>"$out/$name.spot.$tag.json"
    done
    echo "$psf_sets" | while IFS='|' read -r tag opts; do
        # shellcheck disable=SC2086
        "$cli" psf "$f" $opts 2>&1 | sed 's/"seconds":[^,}]*//' >"$out/$name.psf.$tag.json"
    done
done
