#!/usr/bin/env bash
# delta.sh BUILD: what the delta saves on the way from installed 1.0.0.0 to
# 2.0.0.0, and what failing mirrors cost, through the launcher's own update
# session (delta_bench.exe) against the loopback servers.
# Release 1.0.0.0 is a bench installation of about 200 MB in 436 files
# (package-files.py) with a 4 MB VxSpeedUp.exe; 2.0.0.0 is the same with
# another VxSpeedUp.exe and every 20th file (5 %) changed in place. publish.exe
# publishes 2.0.0.0 with its delta from 1.0.0.0, once per build tree.
#  - delta: bytes: the delta's size over the full package's;
#  - delta: the time from the offer to 2.0.0.0 installed over a fresh copy of
#    1.0.0.0, through the delta (installed 1.0.0.0) against through the full
#    package (installed 0.9.0.0, which no delta starts from);
#  - mirrors: the full package offered from three sources (a port nobody
#    listens on, tests/net/package_server.py cutting at a third of the body
#    and then answering 503, the same server serving) against one source
#    serving, with short back-offs. The sources serving are that server's
#    rather than the suite's file server, which answers a Range with the
#    whole file where a mirror continues.
# Every installation is compared with 2.0.0.0 afterwards. The times are
# medians of DELTA_ROUNDS rounds (3); the back-off starts at DELTA_BACKOFF_MS
# (100 ms).
set -euo pipefail
. "$(dirname "$0")/loopback.inc"
rounds=${DELTA_ROUNDS:-3}
backoff=${DELTA_BACKOFF_MS:-100}
cmake --build "$build" -j2 --target delta_bench publish >/dev/null
work="$build/bench/delta"
published="$work/published"
full=Tarvo_2.0.0.0.7z delta=Tarvo_1.0.0.0_to_2.0.0.0.7z

if [ ! -f "$published/data.json" ]; then
  echo "bench: making releases 1.0.0.0 and 2.0.0.0 and publishing 2.0.0.0 (once)" >&2
  rm -rf "$work" && mkdir -p "$work"
  python3 "$top/tools/bench/package-files.py" "$work/v1" 7 400 20 19000 32 4 15
  python3 - "$work" <<'PY'
import os, random, shutil, sys
work = sys.argv[1]
v1, v2 = os.path.join(work, "v1"), os.path.join(work, "v2")
names = sorted(os.path.relpath(os.path.join(d, n), v1) for d, _, ns in os.walk(v1) for n in ns)
with open(os.path.join(v1, "VxSpeedUp.exe"), "wb") as f:
    f.write(random.Random(1).randbytes(4 << 20))
shutil.copytree(v1, v2)
with open(os.path.join(v2, "VxSpeedUp.exe"), "wb") as f:
    f.write(random.Random(2).randbytes(4 << 20))
# Every 20th of the sorted names from the 10th: two 4 MB tables and texts,
# none of the 15 MB packs, each of which alone would make the delta (which
# carries a changed file whole) a fifth of the full package. A byte in each
# 4 KiB changes, so the whole file differs and its size stays.
changed = names[10::20]
for name in changed:
    path = os.path.join(v2, name)
    with open(path, "rb") as f:
        data = bytearray(f.read())
    for i in range(0, len(data), 4096):
        data[i] ^= 0x01
    with open(path, "wb") as f:
        f.write(data)
with open(os.path.join(work, "changed.txt"), "w") as f:
    f.write("".join(n + "\n" for n in ["VxSpeedUp.exe"] + changed))
size = lambda n: os.path.getsize(os.path.join(v1, n))
print(f"bench: 2.0.0.0 changes {len(changed)} of {len(names)} files ({sum(map(size, changed)) / 2**20:.1f} MB of "
      f"{sum(map(size, names)) / 2**20:.1f} MB) and VxSpeedUp.exe ({size('VxSpeedUp.exe') / 2**20:.1f} MB)",
      file=sys.stderr)
PY
  rm -rf "$published.new"
  wine "$build/tools/publisher/publish.exe" --version 2.0.0.0 --release "$(winpath "$work/v2")" \
    --earlier "1.0.0.0=$(winpath "$work/v1")" --key "$(winpath "$build/update-key/maker.key")" \
    --mirror "http://127.0.0.1:$((port + 1))/files" --out "$(winpath "$published.new")" 2>&1 |
    tr -d '\r' | sed -n 's/^publish: /bench: publish: /p' >&2
  mv "$published.new" "$published"
fi
full_bytes=$(stat -c %s "$published/$full")
delta_bytes=$(stat -c %s "$published/$delta")
changed=$(($(wc -l <"$work/changed.txt") - 1))
files=$(find "$work/v1" -type f ! -path "$work/v1/VxSpeedUp.exe" | wc -l)

key=$(sed -n 2p "$build/update-key/maker.pub")
start_servers "$work/servers" "$published"
cutter="$work/package-server"
/usr/bin/python3 "$top/tests/net/package_server.py" start "$cutter" "$published"
installation="$work/installation"
on_exit='/usr/bin/python3 "$top/tests/net/package_server.py" stop "$cutter"; rm -rf "$installation"'
served="http://127.0.0.1:$(cat "$cutter/port")/file"
closed="http://127.0.0.1:$((port + 2))/files/$full"
closed_note=""
if python3 -c 'import socket, sys; socket.create_connection(("127.0.0.1", int(sys.argv[1])), 1)' $((port + 2)) 2>/dev/null
then
  closed_note=" (something listens on port $((port + 2)): the first source is not refused, the figure means nothing)"
fi

# update INSTALLED_VERSION [BACKOFF SOURCE...]: 2.0.0.0 installed over a
# fresh copy of 1.0.0.0; prints the time in ms, then what went wrong, if
# anything, on the same line. The download's back-off and retries in effect
# are left in $work/timings.
update() {
  rm -rf "$installation" && cp -a "$work/v1" "$installation"
  local ms end timings said differs wrong=""
  read -r ms end timings < <(wine "$bin/delta_bench.exe" "$(winpath "$published/data.json")" \
    "$(winpath "$installation")\\" "$1" "$key" "${@:2}" 2>"$work/stderr" | tr -d '\r' | sed -n 's/^delta_bench: //p')
  echo "$timings" >"$work/timings"
  [ "$end" = Installed ] || wrong+=" ended ${end:-without a word};"
  said=$(tr -d '\r' <"$work/stderr" | grep -E '^(delta|update) failed' | head -1 || true)
  [ -z "$said" ] || wrong+=" said \"$said\";"
  # Release 2.0.0.0 exactly, beside the version record the launcher keeps.
  # The files 2.0.0.0 changed are counted on their own: how many of them the
  # update missed says more than the first lines of a long diff.
  local missed=0 first=""
  while read -r name; do
    cmp -s "$work/v2/$name" "$installation/$name" || { missed=$((missed + 1)) && first=${first:-$name}; }
  done <"$work/changed.txt"
  [ "$missed" = 0 ] || wrong+=" $missed of the files 2.0.0.0 changed are not its own (the first: $first);"
  differs=$(diff -rq "$work/v2" "$installation" | grep -vxF "Only in $installation: update.version" || true)
  [ -z "$differs" ] ||
    wrong+=" $(echo "$differs" | wc -l) differences from 2.0.0.0 ($(echo "$differs" | head -1 | sed "s|$work/||g"));"
  echo "${ms:-0}${wrong:+ $wrong}"
}

through_delta=() through_full=() one_source=() three_sources=() notes=() mirror_notes=()
for round in $(seq "$rounds"); do
  read -r ms wrong < <(update 1.0.0.0)
  through_delta+=("$ms") && [ -z "$wrong" ] || notes+=("round $round, delta:$wrong")
  read -r ms_full wrong < <(update 0.9.0.0)
  through_full+=("$ms_full") && [ -z "$wrong" ] || notes+=("round $round, full package:$wrong")
  echo "bench: delta round $round: through the delta $ms ms, through the full package $ms_full ms" >&2

  read -r ms wrong < <(update 0.9.0.0 "$backoff" "$served/one-$round/ok/$full")
  one_source+=("$ms") && [ -z "$wrong" ] || mirror_notes+=("round $round, one source:$wrong")
  read -r ms_three wrong < <(update 0.9.0.0 "$backoff" "$closed" \
    "$served/cut-$round/cut=$((full_bytes / 3)),status=503/$full" "$served/good-$round/ok/$full")
  three_sources+=("$ms_three") && [ -z "$wrong" ] || mirror_notes+=("round $round, three sources:$wrong")
  echo "bench: mirrors round $round: one source $ms ms, three sources $ms_three ms" >&2
done
read -r first_backoff retries <"$work/timings"
# What the servers saw in the last round: each request's Range and status.
requests() { [ -f "$cutter/log/$1" ] && cut -f2,4 "$cutter/log/$1" | tr '\t\n' ': ' || true; }
second=$(requests "cut-$rounds") third=$(requests "good-$rounds")

python3 - "$delta_bytes" "$full_bytes" "$changed" "$files" "${through_delta[*]}" "${through_full[*]}" \
  "${one_source[*]}" "${three_sources[*]}" "$first_backoff" "$retries" "$second" "$third" "$closed_note" \
  "$(printf '%s\n' "${notes[@]+"${notes[@]}"}")" "$(printf '%s\n' "${mirror_notes[@]+"${mirror_notes[@]}"}")" <<'PY'
import itertools, statistics, sys
(delta_bytes, full_bytes, changed, files, through_delta, through_full, one, three, backoff, retries, second, third,
 closed, notes, mirror_notes) = sys.argv[1:16]
mb = lambda b: int(b) / 2**20
median = lambda v: statistics.median(float(x) for x in v.split())
meaning = lambda n: "" if not n.strip() else " -- " + "; ".join(x.rstrip(";") for x in n.strip().split("\n")) + \
    ": the figure means nothing"


def requests(log):
    # "-:200 bytes=N-:503 ..." as "200, 6 x 503 from N"
    said = []
    for (asked, status), same in itertools.groupby(r.rpartition(":")[::2] for r in log.split()):
        n = len(list(same))
        said.append(("" if n == 1 else f"{n} x ") + status + ("" if asked == "-" else " from " + asked[6:-1]))
    return ", ".join(said) or "nothing"


rounds = len(through_delta.split())
print(f"delta: bytes {delta_bytes} (delta from 1.0.0.0, {mb(delta_bytes):.1f} MB) over {full_bytes} (full package, "
      f"{mb(full_bytes):.1f} MB), ratio {int(delta_bytes) / int(full_bytes):.3f} (aim <= 0.10; {changed} of {files} "
      f"files and VxSpeedUp.exe changed)")
d, f = median(through_delta), median(through_full)
print(f"delta: baseline {f:.0f} ms (full package, installed 0.9.0.0), figure {d:.0f} ms (delta, installed 1.0.0.0), "
      f"ratio {d / f:.3f} (offer to installed over a copy of 1.0.0.0, median of {rounds}){meaning(notes)}")
o, t = median(one), median(three)
print(f"mirrors: baseline {o:.0f} ms (full package, one good source), figure {t:.0f} ms (three sources: refused; cut "
      f"at a third, then 503; good), ratio {t / o:.3f} (back-off {backoff} ms doubling, {retries} retries a source; "
      f"the last round's second source answered {requests(second)}, the third {requests(third)}; median of {rounds})"
      f"{closed}{meaning(mirror_notes)}")
PY
