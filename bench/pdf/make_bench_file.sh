#!/bin/sh
# Builds the reading benchmark's input: pages of the clean, unencrypted corpus files joined with
# qpdf, repeated until the file holds 50 to 60 MB. Usage: make_bench_file.sh CORPUS_DIR OUT.pdf
set -eu
corpus=$1
out=$2
list=$(mktemp)
trap 'rm -f "$list"' EXIT
# About a third of the target from distinct files; three copies of their pages follow.
awk -F'\t' 'NR > 1 && $5 == "clean" && $4 == "no" && $3 != "0" && total < 14000000 {
    total += $2; print $1 }' "$corpus/MANIFEST.tsv" > "$list"
args=""
for f in $(cat "$list"); do args="$args $corpus/pdf/$f"; done
qpdf --empty --pages $args -- "$out.part" 2>/dev/null || true
size=$(wc -c < "$out.part")
copies=$(( (55000000 + size - 1) / size ))
# Separate copies, so that qpdf copies the objects of each instead of sharing them.
pages=""
i=0
while [ $i -lt $copies ]; do
    cp "$out.part" "$out.part$i"
    pages="$pages $out.part$i"
    i=$((i + 1))
done
qpdf --empty --pages $pages -- "$out" 2>/dev/null || true
rm -f "$out".part*
echo "$(wc -c < "$out") bytes in $out"
