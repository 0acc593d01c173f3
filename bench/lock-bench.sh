#!/usr/bin/env bash
# Speed of Lock.exe beside cp -r of the same folder on the same disk: 1 GiB of random bytes in
# 2,000 files of mixed sizes (log-uniform, 1 KiB to 8 MiB). Lock and unlock run with the real
# "moderate" Argon2id cost (once per run), and the unlocked tree is checked against sha256sums.
#   bash bench/lock-bench.sh        (QC_BENCH_DIR: where the 3 GiB of work space are taken)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${QC_BUILD_DIR:-$root/build}/bin
work=$(mktemp -d "${QC_BENCH_DIR:-/var/tmp}/lock-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
unset QCLOCK_TEST_WEAK_KDF

python3 - "$work/src" <<'PY'
import math, os, random, sys
root = sys.argv[1]
rnd = random.Random(20261211)
n, total = 2000, 1 << 30
raw = [math.exp(rnd.uniform(math.log(1024), math.log(8 << 20))) for _ in range(n)]
scale = total / sum(raw)
sizes = [max(1, int(r * scale)) for r in raw]
sizes[-1] += total - sum(sizes)
for i, size in enumerate(sizes):
    d = os.path.join(root, "folder-%02d" % (i % 40), "sub-%d" % (i % 3))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "file-%04d.bin" % i), "wb") as f:
        f.write(os.urandom(size))
PY
(cd "$work/src" && find . -type f -print0 | sort -z | xargs -0 sha256sum) >"$work/sums"
sync

now() { date +%s.%N; }
secs() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

t0=$(now); cp -r "$work/src" "$work/copy"; t1=$(now); sync; t2=$(now)
rm -rf "$work/copy"; sync
cp "$bin/Lock.exe" "$work/src/Lock.exe"
t3=$(now); echo pw | /usr/bin/time -f "lock cpu: %U s user, %S s sys" "$work/src/Lock.exe" --lock; t4=$(now)
t5=$(now); echo pw | /usr/bin/time -f "unlock cpu: %U s user, %S s sys" "$work/src/Lock.exe" --unlock; t6=$(now)
rm "$work/src/Lock.exe"
(cd "$work/src" && sha256sum --quiet -c "$work/sums")

cp_s=$(secs "$t0" "$t1"); cps_s=$(secs "$t0" "$t2")
lock_s=$(secs "$t3" "$t4"); unlock_s=$(secs "$t5" "$t6")
echo "1 GiB in 2000 files: cp -r ${cp_s} s (with sync ${cps_s} s)," \
  "Lock.exe --lock ${lock_s} s, --unlock ${unlock_s} s (each with fsync and one Argon2id)"
awk -v c="$cp_s" -v cs="$cps_s" -v l="$lock_s" -v u="$unlock_s" 'BEGIN {
  printf "lock speed = %.2f of cp -r (%.2f of cp -r + sync); unlock %.2f (%.2f)\n", c / l, cs / l, c / u, cs / u }'
