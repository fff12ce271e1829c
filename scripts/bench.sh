#!/usr/bin/env bash
# Builds the benchmarks (Release, into build-bench/) and runs them: for each
# size a fresh set of databases is made with TAVmkdb and filled by
# TAVbenchgen; one TAVbenchdrive then measures the real server on all sizes
# at once; when valgrind is at hand, the instructions each request costs are
# counted with callgrind. Prints the table that docs/performance.md keeps.
#
# Settings (environment):
#   BENCH_SIZES      work-order counts, default "10000 100000"
#   BENCH_REPS       measured repetitions per request, default 11
#   BENCH_CALLGRIND  0 skips the instruction counts (default 1)
#   BENCH_WORK_DIR   where the databases and results go, default build-bench/bench-data
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

BUILD="$TAV_ROOT/build-bench"
BIN="$BUILD/bin"
WORK="${BENCH_WORK_DIR:-$BUILD/bench-data}"
SIZES="${BENCH_SIZES:-10000 100000}"
REPS="${BENCH_REPS:-11}"
CALLGRIND="${BENCH_CALLGRIND:-1}"

tav_install_packages
if [ "$CALLGRIND" != 0 ] && ! command -v valgrind >/dev/null; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq valgrind ||
    echo "valgrind could not be installed: no instruction counts"
fi
tav_build "$BUILD" -DCMAKE_BUILD_TYPE=Release -DTAV_BUILD_BENCH=ON -DTAV_BUILD_TESTS=OFF

# The handler each request is served by, for callgrind's collection window.
declare -A HANDLER=(
  [quick]=handleQuickSearch [advanced]=handleSearchWOAdvanced [detail]=handleWODetail
  [adtime]=handleAddUsedTime [adtime_plan]=handleAddUsedTime [write]=handleWriteWO [mygrad]=handleMyGrade
)

mkdir -p "$WORK"
dirs=()
for n in $SIZES; do
  dir="$WORK/n$n"
  rm -rf "$dir"
  "$BIN/TAVmkdb" "$dir" >/dev/null
  "$BIN/TAVbenchgen" "$dir" "$n"
  dirs+=("$dir")
done
# One driver for all sizes: it alternates between their servers request by
# request, so the machine's other work weighs on every size alike.
"$BIN/TAVbenchdrive" "${dirs[@]}" --reps "$REPS" --out "$WORK/results-"

for n in $SIZES; do
  dir="$WORK/n$n"
  if [ "$CALLGRIND" != 0 ] && command -v valgrind >/dev/null; then
    # Two runs of each request, 1 + 1 and 1 + more times: the difference is
    # requests served from a warm cache, without the first one's reading; the
    # one-order requests take 20 of them, enough to spread the odd B-tree page
    # split of the writing ones.
    for key in quick advanced detail adtime adtime_plan write mygrad; do
      more=21
      case "$key" in quick | advanced) more=3 ;; esac
      declare -A total=()
      for reps in 1 "$more"; do
        out="$WORK/callgrind-$n-$key-$reps.out"
        "$BIN/TAVbenchdrive" "$dir" --reps "$reps" --only "$key" \
          --wrap "valgrind --tool=callgrind --callgrind-out-file=$out --toggle-collect=*${HANDLER[$key]}*" \
          >/dev/null 2>"$WORK/callgrind-$n-$key.log" || { echo "callgrind run of $key failed"; continue; }
        total[$reps]=$(callgrind_annotate "$out" 2>/dev/null | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}')
      done
      if [ -n "${total[1]:-}" ] && [ -n "${total[$more]:-}" ]; then
        printf 'ir\t%s\t%d\n' "$key" $(((total[$more] - total[1]) / (more - 1))) >>"$WORK/results-$n.tsv"
      fi
      unset total
    done
  fi
done

# ---- the table: first size against the last
set -- $SIZES
small="$1"
large="${!#}"
awk -F'\t' -v small="$small" -v large="$large" '
  function n(x) { return x + 0 }
  FNR == 1 { size = (FILENAME ~ "results-" small ".tsv") ? "s" : "l" }
  $1 == "machine" { machine = $2 }
  $1 == "reps" { reps = $2 }
  $1 == "cmd" { t[size, $2] = $3; rec[size, $2] = $4; fl[$2] = $5; label[$2] = $6; if (!(($2) in seen)) { seen[$2] = 1; order[++k] = $2 } }
  $1 == "floor" { f[size, $2] = $3; flabel[$2] = $4; if (!(($2) in fseen)) { fseen[$2] = 1; forder[++fk] = $2 } }
  $1 == "ir" { ir[size, $2] = $3 }
  $1 == "memory" { mem[size] = $0 }
  END {
    printf "Machine: %s; median of %s runs after one warm-up.\n\n", machine, reps
    printf "| request | %s: ms | %s: ms | time x (%s/%s) | x floor at %s | x floor at %s | instructions at %s | at %s | instr. x |\n", small, large, large, small, small, large, small, large
    printf "|---|---:|---:|---:|---:|---:|---:|---:|---:|\n"
    for (i = 1; i <= k; i++) {
      c = order[i]
      g = (n(t["s", c]) > 0) ? sprintf("%.2f", t["l", c] / t["s", c]) : "-"
      rs = rl = "-"
      if (fl[c] != "") {
        if (n(f["s", fl[c]]) > 0) rs = sprintf("%.2f", t["s", c] / f["s", fl[c]])
        if (n(f["l", fl[c]]) > 0) rl = sprintf("%.2f", t["l", c] / f["l", fl[c]])
      }
      is = (("s", c) in ir) ? ir["s", c] : "-"
      il = (("l", c) in ir) ? ir["l", c] : "-"
      ig = (n(is) > 0 && il != "-") ? sprintf("%.2f", il / is) : "-"
      printf "| %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", label[c], t["s", c], t["l", c], g, rs, rl, is, il, ig
    }
    for (i = 1; i <= fk; i++) {
      c = forder[i]
      printf "| floor: %s | %s | %s | %s | | | | | |\n", flabel[c], f["s", c], f["l", c], (n(f["s", c]) > 0 ? sprintf("%.2f", f["l", c] / f["s", c]) : "-")
    }
    split(mem["l"], m, "\t")
    printf "\nServer memory at %s orders while the whole list streams: VmRSS %s kB before, peak %s kB during, VmHWM %s kB.\n\n", large, m[2], m[3], m[5]

    print "Targets:"
    for (i = 1; i <= k; i++) {
      c = order[i]
      if (c == "quick" || c == "advanced") {
        r = t["l", c] / f["l", fl[c]]
        printf "  %-12s within 2x the floor at %s: %.2f  %s\n", c, large, r, (r <= 2 ? "met" : "MISSED")
      }
      if (c == "detail" || c == "adtime" || c == "write") {
        r = t["l", c] / t["s", c]
        line = sprintf("  %-12s time %s -> %s within 1.2x: %.2f  %s", c, small, large, r, (r <= 1.2 ? "met" : "MISSED"))
        if ((("s", c) in ir) && n(ir["s", c]) > 0) line = line sprintf("; instructions %.2fx", ir["l", c] / ir["s", c])
        print line
      }
    }
    top = (n(m[3]) > n(m[5])) ? n(m[3]) : n(m[5])
    printf "  %-12s resident memory under 64 MB while the list streams: %d kB  %s\n", "memory", top, (top > 0 && top < 65536 ? "met" : "MISSED")
  }
' "$WORK/results-$small.tsv" "$WORK/results-$large.tsv" | tee "$WORK/table.md"
