#!/usr/bin/env bash
# enable-deb-src.sh [APT_DIR]: lets apt fetch source packages from every
# archive it fetches binary packages from. APT_DIR defaults to /etc/apt.
#
# - One-line files (sources.list, sources.list.d/*.list): after each active
#   `deb` line that has no active `deb-src` line for the same URI, suite and
#   components, a `deb-src` line with the same options, URI, suite and
#   components is added.
# - deb822 files (sources.list.d/*.sources): a stanza whose `Types:` has `deb`
#   but not `deb-src` gets `deb-src` added to `Types:`.
# Disc entries (cdrom:) are left alone: a disc carries no source index. Nothing
# else in a file changes; a file that needs no change is not rewritten, so a
# second run changes nothing. Prints the path of each file it changed.
# Exit status: 0 when every file is as wanted, 1 when a file could not be
# read or written (the message says which and why).
set -euo pipefail

apt_dir=${1:-/etc/apt}
[ "$apt_dir" = / ] || apt_dir=${apt_dir%/}
[ -d "$apt_dir" ] || { echo "enable-deb-src: $apt_dir is not a directory" >&2; exit 1; }

# One-line form. The first pass collects the entries that already have an
# active deb-src line; the second copies the file, adding the missing ones.
# An entry's key is its URI, suite and components: options such as
# [arch=amd64] do not make two entries different, nor does spacing.
one_line_awk='
function entry_key(rest) {
  sub(/#.*/, "", rest)
  sub(/^[ \t]*\[[^]]*\]/, "", rest)
  gsub(/[ \t]+/, " ", rest)
  sub(/^ /, "", rest)
  sub(/ $/, "", rest)
  return rest
}
# Splits an active line of type t ("deb" or "deb-src") into the global
# indent/rest; answers whether the line is of that type.
function split_line(line, t,   m) {
  if (match(line, "^[ \t]*" t "[ \t]") == 0) return 0
  m = index(line, t)
  indent = substr(line, 1, m - 1)
  rest = substr(line, m + length(t))
  return 1
}
NR == FNR {
  if (split_line($0, "deb-src")) have[entry_key(rest)] = 1
  next
}
{
  print
  if (!split_line($0, "deb")) next
  key = entry_key(rest)
  if (key == "" || key ~ /^cdrom:/ || (key in have)) next
  print indent "deb-src" rest
  have[key] = 1
}
'

# deb822 form. A stanza ends at an empty line; comment lines do not end one.
# Each stanza is held until its end so that its URIs can be known before its
# Types field is written.
deb822_awk='
function field_is(line, name) {
  return tolower(substr(line, 1, length(name) + 1)) == name ":"
}
function flush(   i, n, words, has_deb, has_src) {
  if (types_end > 0 && !cdrom) {
    n = split(types_value, words, /[ \t]+/)
    has_deb = 0; has_src = 0
    for (i = 1; i <= n; i++) {
      if (words[i] == "deb") has_deb = 1
      if (words[i] == "deb-src") has_src = 1
    }
    if (has_deb && !has_src) {
      sub(/[ \t]+$/, "", lines[types_end])
      lines[types_end] = lines[types_end] " deb-src"
    }
  }
  for (i = 1; i <= count; i++) print lines[i]
  count = 0; types_end = 0; types_value = ""; cdrom = 0; current = ""
}
/^[ \t]*$/ { flush(); print; next }
{
  lines[++count] = $0
  if ($0 ~ /^#/) next
  if ($0 ~ /^[ \t]/) {
    # A continuation line belongs to the field above it.
    if (current == "types") { types_value = types_value " " $0; types_end = count }
    if (current == "uris" && $0 ~ /(^|[ \t])cdrom:/) cdrom = 1
    next
  }
  current = ""
  if (field_is($0, "types")) {
    current = "types"; types_end = count
    types_value = substr($0, 7)
  } else if (field_is($0, "uris")) {
    current = "uris"
    if (substr($0, 6) ~ /(^|[ \t])cdrom:/) cdrom = 1
  }
}
END { flush() }
'

# update_file FILE PROGRAM PASSES: rewrites FILE through the awk program (which
# reads it PASSES times) when that changes it, keeping its owner and mode; the
# new content replaces the old in one rename.
update_file() {
  local file=$1 program=$2 passes=$3 target tmp
  [ -r "$file" ] || { echo "enable-deb-src: cannot read $file" >&2; return 1; }
  target=$(readlink -f "$file")
  tmp=$(mktemp "$(dirname "$target")/.enable-deb-src.XXXXXX") || {
    echo "enable-deb-src: cannot write in $(dirname "$target") (run as root)" >&2
    return 1
  }
  local inputs=("$target")
  [ "$passes" = 2 ] && inputs+=("$target")
  if ! awk "$program" "${inputs[@]}" >"$tmp"; then
    rm -f "$tmp"
    echo "enable-deb-src: could not process $file" >&2
    return 1
  fi
  # awk ends the last line with a newline; a file without one is otherwise
  # unchanged and stays as it is.
  if cmp -s "$tmp" "$target" || { [ -n "$(tail -c 1 "$target")" ] && cmp -s "$tmp" <(cat "$target" && echo); }; then
    rm -f "$tmp"
    return 0
  fi
  chmod --reference="$target" "$tmp"
  chown --reference="$target" "$tmp"
  mv "$tmp" "$target"
  echo "$file"
}

status=0
shopt -s nullglob
for f in "$apt_dir/sources.list" "$apt_dir"/sources.list.d/*.list; do
  [ -e "$f" ] || continue
  update_file "$f" "$one_line_awk" 2 || status=1
done
for f in "$apt_dir"/sources.list.d/*.sources; do
  update_file "$f" "$deb822_awk" 1 || status=1
done
exit $status
