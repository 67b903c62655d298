#!/bin/sh
# The check farm against a real one-node Slurm cluster: a folder of clips with planted faults is
# checked through Slurm and collected into a station's task.db, which must then hold exactly
# what a local stored check of the same files holds (events, counts, states, properties,
# deviations, loudness, pictures byte for byte). Also: a file gone before its task ran and a
# task cancelled by scancel are stored as failed; collecting twice, or after a collector was
# killed midway, stores nothing twice and loses nothing.
#   farm_test.sh BUILD_DIR     (QUARVIK_TEST_MEDIA: the generated test media)
# Exit 77 (skipped) where no Slurm cluster can be started.
set -u
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
checker=$build/apps/quarvik-check
farm=$build/apps/quarvik-farm
work=$(mktemp -d)
trap '"$here/slurm_cluster.sh" stop "$work/slurm"; rm -rf "$work"' EXIT

"$here/slurm_cluster.sh" start "$work/slurm" || exit $?
. "$work/slurm/env"
PATH=$PATH:/usr/sbin

fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$work/clips/sub"
for f in faults.ts faults.mxf; do cp "$QUARVIK_TEST_MEDIA/$f" "$work/clips/"; done
cp "$QUARVIK_TEST_MEDIA/faults.mp4" "$work/clips/sub/it's.mp4"

home() {  # home NAME: a program folder with a cache and the template "sd"
    mkdir -p "$work/$1/cache"
    QUARVIK_HOME=$work/$1 "$checker" --set-cache "$work/$1/cache" || fail "set-cache"
    QUARVIK_HOME=$work/$1 "$checker" --add-template sd Video:Width=720 Audio:SamplingRate=48000 >/dev/null ||
        fail "add-template"
}
home local
home station
export QUARVIK_FARM_SPOOL=$work/spool

# The reference: the same files checked and stored here.
QUARVIK_HOME=$work/local "$checker" --store --template sd "$work/clips/faults.ts" "$work/clips/faults.mxf" \
    "$work/clips/sub/it's.mp4" >/dev/null 2>&1
[ $? -eq 1 ] || fail "the local check should find faults"

submit() {  # submit ARGS...: prints the job id
    QUARVIK_HOME=$work/station "$farm" submit "$@" 2>"$work/submit.err" || fail "submit: $(cat "$work/submit.err")"
}
collect() {  # collect HOME JOB [OPTIONS...]
    h=$1 j=$2; shift 2
    QUARVIK_HOME=$work/$h "$farm" collect --poll 1 "$@" "$j"
}

job=$(submit --template sd --max-jobs 2 "$work/clips")
collect station "$job" --wait 300 > "$work/collect1.out" || fail "collect: $(cat "$work/collect1.out")"
grep -c '^imported' "$work/collect1.out" | grep -qx 3 || fail "three imports expected: $(cat "$work/collect1.out")"
collect station "$job" > "$work/collect2.out" || fail "second collect"
grep -q '^imported' "$work/collect2.out" && fail "the second collect imported again"
QUARVIK_HOME=$work/station "$farm" status "$job" | tail -1 | grep -q "3 done" || fail "status after the job"
QUARVIK_HOME=$work/station "$farm" status --json "$job" > "$work/status.json" || fail "status --json"

# A collector killed at any moment of its imports, then run again: everything once.
home killed
for t in 0.05 0.1 0.2 0.3 0.5; do
    QUARVIK_HOME=$work/killed timeout -s KILL "$t" "$farm" collect "$job" >/dev/null 2>&1
done
collect killed "$job" >/dev/null || fail "collect after kills"

# Failures: one file gone before its task ran, one task cancelled while it waited.
mkdir "$work/bad"
cp "$work/clips/faults.ts" "$work/bad/gone.ts"
cp "$work/clips/faults.ts" "$work/bad/kept.ts"
cp "$work/clips/faults.ts" "$work/bad/xcancelled.ts"
bad=$(QUARVIK_FARM_SBATCH_OPTIONS=--hold submit "$work/bad")
rm "$work/bad/gone.ts"
scancel "${bad}_2" || fail "scancel"
scontrol release "$bad" || fail "release"
collect station "$bad" --wait 300 > "$work/collect3.out" || fail "collect of the failures: $(cat "$work/collect3.out")"

python3 - "$work" "$job" "$bad" <<'PY' || exit 1
import json, sqlite3, sys
work, job, bad = sys.argv[1:]

def results(home, where=""):
    db = sqlite3.connect(f"{work}/{home}/task.db")
    has_loudness = db.execute("select count(*) from sqlite_master where name='Loudness'").fetchone()[0]
    rows = {}
    for r in db.execute("select * from Results " + where):
        rid, name = r[0], r[4]
        result = r[3:]
        kept = (result[:7] + result[10:])  # not the begin and end times or the speed
        faults = db.execute("select nFault,nValue,tmBegin,tmEnd,nImageWidth,nImageHeight,blobFaultImage "
                            "from Faults where nResultID=? order by nID", (rid,)).fetchall()
        media = db.execute("select nType,szFeature,szValue from MediaInfo where nResultID=? order by nID", (rid,)).fetchall()
        syntax = db.execute("select szType,szName,szVaildValue1,szVaildValue2,szRealValue from SyntaxErr "
                            "where nResultID=? order by nID", (rid,)).fetchall()
        loud = db.execute("select fIntegrated,fRange,fTruePeak,fMaxMomentary,fMaxShortTerm,nVerdict,blobShortTerm "
                          "from Loudness where nResultID=?", (rid,)).fetchall() if has_loudness else None
        rows.setdefault(name, []).append((kept, faults, media, syntax, loud))
    return db, rows

_, local = results("local")
station_db, station = results("station")
_, killed = results("killed")
names = sorted(local)
if len(names) != 3:
    sys.exit(f"FAIL: the local check stored {names}")
for name in names:
    for home, got in (("station", station), ("killed", killed)):
        if got.get(name) != local[name]:
            sys.exit(f"FAIL: {home}: {name} differs from the local check:\n{got.get(name)}\n{local[name]}")
    if not local[name][0][1] or not local[name][0][4]:
        sys.exit(f"FAIL: {name}: no faults or no loudness found")

states = {r[0].rsplit("/", 1)[1]: r[1] for r in station_db.execute("select szFilename,nState from Results")}
if states.get("gone.ts") != 14 or states.get("xcancelled.ts") != 13 or "kept.ts" not in states:
    sys.exit(f"FAIL: failure states {states}")
reasons = [r[0] for r in station_db.execute("select szOutcome from FarmImports where szOutcome like '%Slurm%'")]
if len(reasons) != 2 or not any("FAILED" in r and "could not open" in r for r in reasons):
    sys.exit(f"FAIL: the failed files do not carry Slurm's reason: {reasons}")
imports = station_db.execute("select count(*) from FarmImports").fetchone()[0]
if imports != 6 or station_db.execute("select count(*) from Results").fetchone()[0] != 6:
    sys.exit(f"FAIL: {imports} imports")
status = json.load(open(f"{work}/status.json"))
if status["summary"]["done"] != 3 or any(f["imported_result"] is None for f in status["files"]):
    sys.exit(f"FAIL: status {status}")
PY
echo "farm: $(grep -c . "$work/collect1.out") lines collected, failures stored as expected"
