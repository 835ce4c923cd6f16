#!/bin/sh
# Copies the runnable examples out of a guide written in Markdown: a fenced
# block whose info string carries "example=<file>" becomes <file>, and one
# carrying "output=<file>" becomes <file>.expected, what that example prints.
#   extract_examples.sh <guide.md> <output folder>
# Fails when a block is named twice, is never closed, or an output names no
# example, so a typo in the guide cannot drop a test unnoticed.
set -eu
guide="$1" out="$2"
rm -rf "$out"
mkdir -p "$out"
awk -v out="$out" '
  function fail(message) { print "extract_examples: " FILENAME ":" FNR ": " message > "/dev/stderr"; failed = 1; exit 1 }
  inside && /^```[ \t]*$/ { close(file); inside = 0; next }
  inside { print > file; next }
  /^```/ {
    if (match($0, /(example|output)=[A-Za-z0-9_.-]+/)) {
      split(substr($0, RSTART, RLENGTH), part, "=")
      name = part[2]
      if (part[1] == "example") { kind = "example"; file = out "/" name; examples[name] = 1 }
      else { file = out "/" name ".expected"; outputs[name] = FNR }
      if (file in written) fail("a second block named " name)
      written[file] = 1
      printf "" > file
      inside = 1
    } else {
      plain = !plain  # an unmarked block: skip to its end
    }
    next
  }
  END {
    if (failed) exit 1
    if (inside) fail("a marked block is never closed")
    for (name in outputs) if (!(name in examples)) { FNR = outputs[name]; fail("output=" name " names no example") }
  }' "$guide"
