#!/usr/bin/env bash
# The live writer (lumoview-dbgen --live) against the servers of
# scripts/dbserver, each in a scratch database of its own: today loaded as it
# stood 16 minutes ago (T), then the writer from T on for 25 s, with late
# batches. Checks that the load stops at T; that rows arrive while the writer
# runs; that every row it recorded is in the database once and no other row
# came after T (nothing lost, nothing twice); that its record holds late
# batches, time stamps shared across batches and no row sent before its
# time; and that the record numbers follow the time order.
#   scripts/dbserver run -- db/check-live.sh [GENERATOR]
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }
ok() { echo "ok: $*"; }
port_of() { local p=${1#*127.0.0.1:}; echo "${p%%/*}"; }

GEN=${1:-${LUMOVIEW_DBGEN:-}}
[[ -x $GEN ]] || fail "no generator (give its path or set LUMOVIEW_DBGEN)"
REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[[ -n ${LUMOVIEW_TEST_PG_URL:-}${LUMOVIEW_TEST_MYSQL_URL:-} ]] || fail "no server URL: run under scripts/dbserver"
mytls=()
if [[ -n ${LUMOVIEW_TEST_TLS_CA:-} ]]; then
    export PGSSLMODE=verify-full PGSSLROOTCERT=$LUMOVIEW_TEST_TLS_CA
    mytls=(--ssl "--ssl-ca=$LUMOVIEW_TEST_TLS_CA" --ssl-verify-server-cert)
fi
servers=()
[[ -z ${LUMOVIEW_TEST_PG_URL:-} ]] || servers+=(pg)
[[ -z ${LUMOVIEW_TEST_MYSQL_URL:-} ]] || servers+=(mysql)

# The owner's client on a database of the server (default the scratch one).
sql() { # server [database] < statements
    if [[ $1 == pg ]]; then
        psql -X -q -At -F $'\t' -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$(port_of "$LUMOVIEW_TEST_PG_URL")" -U lumo \
            -d "${2:-lumo_live}"
    else
        mariadb --no-defaults --default-character-set=utf8mb4 "${mytls[@]}" -N -B -r -h 127.0.0.1 \
            -P "$(port_of "$LUMOVIEW_TEST_MYSQL_URL")" -u lumo -plumo "${2:-lumo_live}"
    fi
}
q() { sql "$1" <<<"$2"; }
column() { [[ $1 == pg ]] && echo "\"$2\"" || echo "\`$2\`"; }

T=$(date -d '-16 minutes' '+%F %T') # a quarter's end lies between it and the writer's end
work=$(mktemp -d)
declare -A writer
cleanup() {
    local s
    for s in "${!writer[@]}"; do kill "${writer[$s]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    for s in "${servers[@]}"; do
        sql "$s" lumo <<<'drop database if exists lumo_live' >/dev/null 2>&1 || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# The end of what a row reports, which the controller writes it after, in
# each dialect.
declare -A END
END[pg.events]='"time"'
END[pg.phasesdata]='"time" + (length + promtact) * interval '\''1 second'\'''
END[pg.dt15]='"time" + interval '\''15 minutes'\'''
END[pg.detectorsdata]='"time" + interval '\''1 minute'\'''
END[mysql.events]='`time`'
END[mysql.phasesdata]='`time` + interval (length + promtact) second'
END[mysql.dt15]='`time` + interval 15 minute'
END[mysql.detectorsdata]='`time` + interval 1 minute'

# Object 1's rows of a table after T, as the writer's record shows them.
rows_after_t() { # server table
    local s=$1 t=$2 ts dec tod hex nul idx
    if [[ $s == pg ]]; then
        ts() { echo "to_char($1, 'YYYY-MM-DD HH24:MI:SS')"; }
        dec() { echo "cast($1 as numeric(12,$2))"; }
        tod="to_char(devicetime, 'HH24:MI:SS')" hex="encode(data, 'hex')" nul="coalesce(state::text, '\\N')"
        idx='"index"'
    else
        ts() { echo "date_format($1, '%Y-%m-%d %H:%i:%s')"; }
        dec() { echo "cast($1 as decimal(12,$2))"; }
        tod="time_format(devicetime, '%H:%i:%s')" hex="lower(hex(data))" nul="coalesce(state, '\\\\N')"
        idx='`index`'
    fi
    local columns
    case $t in
    events) columns="objectid, $(ts '`time`'), $tod, type, value, $hex, $idx, description" ;;
    phasesdata) columns="objectid, $(ts '`time`'), phaseid, length, promtact" ;;
    dt15) columns="objectid, detectorid, $(ts '`time`'), $(dec intensity 1), $(dec occupancy 2), $(dec speed 1), $nul" ;;
    detectorsdata) columns="objectid, detectorid, $(ts '`time`'), cars, \`interval\`, $(dec occupancy 2), $(dec speed 1), state" ;;
    esac
    [[ $s == mysql ]] || columns=${columns//\`/\"}
    q "$s" "select $columns from $t where objectid = 1 and ${END[$s.$t]} > '$T'"
}

# A day loaded up to T, in a scratch database.
for s in "${servers[@]}"; do
    if [[ $s == pg ]]; then
        sql pg lumo <<<'set client_min_messages = warning; drop database if exists lumo_live; create database lumo_live'

        sql pg <"$REPO/db/postgres/schema.sql" >/dev/null
    else
        sql mysql lumo <<<'drop database if exists lumo_live; create database lumo_live character set utf8mb4'
        sql mysql <"$REPO/db/mysql/schema.sql"
    fi
    "$GEN" --dialect "$s" --size small --day "$(date +%F)" --now "$T" | sql "$s" >/dev/null
    for t in events phasesdata dt15 detectorsdata; do
        later=$(q "$s" "select count(*) from $t where ${END[$s.$t]} > '$T'")
        [[ $later == 0 ]] || fail "$s: $later $t rows of the load end after $T"
    done
    before=$(q "$s" "select count(*) from phasesdata where ${END[$s.phasesdata]} <= '$T'")
    ((before > 0)) || fail "$s: the load holds no phases before $T"
    ok "$s: the load stops at $T ($before phases before it)"
done

# The writers, both servers at once, each from T on.
for s in "${servers[@]}"; do
    first=$(q "$s" "select coalesce(max($(column "$s" index)), 0) + 1 from events where objectid = 1")
    echo "$first" >"$work/$s.first"
    ("$GEN" --dialect "$s" --live --since "$T" --rate 5 --late-every 6 --duration 25 --seed 7 \
        --first-index "$first" --record "$work/$s.rows" | sql "$s" >/dev/null) &
    writer[$s]=$!
done
for s in "${servers[@]}"; do
    seen=0
    while kill -0 "${writer[$s]}" 2>/dev/null; do
        seen=$(q "$s" "select count(*) from events where objectid = 1 and ${END[$s.events]} > '$T'")
        ((seen == 0)) || break
        sleep 0.5
    done
    ((seen > 0)) || fail "$s: no row reached the database while the writer ran"
    ok "$s: rows arrive while the writer runs"
done
for s in "${servers[@]}"; do
    wait "${writer[$s]}" || fail "$s: the writer or its client failed"
    unset "writer[$s]"
done

for s in "${servers[@]}"; do
    record=$work/$s.rows
    # nothing lost, nothing twice
    for t in events phasesdata dt15 detectorsdata; do
        rows_after_t "$s" "$t" | sort >"$work/$s.$t.db"
        awk -F'\t' -v t="$t" '$4 == t' "$record" | cut -f5- | sort >"$work/$s.$t.rec"
        if ! diff "$work/$s.$t.rec" "$work/$s.$t.db" >"$work/$s.$t.diff"; then
            head -n 6 "$work/$s.$t.diff" >&2
            fail "$s: $t rows recorded and in the database differ (< only recorded, > only in the database)"
        fi
        n=$(wc -l <"$work/$s.$t.rec")
        ((n > 0)) || fail "$s: the writer recorded no $t rows"
        ok "$s: $n $t rows recorded, each in the database once"
    done

    # nothing twice with the loaded rows either: one record per number, per
    # detector and time, and phases one after the other
    idx=$(column "$s" index)
    twice=$(q "$s" "select (select count(*) from (select $idx from events where objectid = 1 group by $idx
                                                  having count(*) > 1) e)
                         + (select count(*) from (select detectorid, $(column "$s" time) from dt15 where objectid = 1
                                                  group by 1, 2 having count(*) > 1) d)
                         + (select count(*) from (select detectorid, $(column "$s" time) from detectorsdata
                                                  where objectid = 1 group by 1, 2 having count(*) > 1) r)")
    [[ $twice == 0 ]] || fail "$s: $twice record numbers, quarters or minutes twice"
    # (the loaded ones end by T, the live ones begin after it)
    overlaps=$(q "$s" "select count(*) from (select $(column "$s" time) as b, ${END[$s.phasesdata]} as e,
                                                    lead($(column "$s" time)) over (order by $(column "$s" time)) as n
                                               from phasesdata where objectid = 1 and ${END[$s.phasesdata]} > '$T') x
                        where e > n or b <= '$T'")
    [[ $overlaps == 0 ]] || fail "$s: $overlaps phases overlap the next or the loaded ones"
    ok "$s: no record number, quarter or minute twice, no phases overlapping"

    # the record: sent once over, late batches, shared stamps
    summary=$(awk -F'\t' '
        function epoch(s,   y, m, d, era, yoe, doy) {
            y = substr(s, 1, 4) + 0; m = substr(s, 6, 2) + 0; d = substr(s, 9, 2) + 0
            if (m <= 2) y--
            era = int(y / 400); yoe = y - era * 400
            doy = int((153 * (m > 2 ? m - 3 : m + 9) + 2) / 5) + d - 1
            return (era * 146097 + yoe * 365 + int(yoe / 4) - int(yoe / 100) + doy) * 86400 \
                   + substr(s, 12, 2) * 3600 + substr(s, 15, 2) * 60 + substr(s, 18, 2)
        }
        {
            sent = epoch($2)
            if ($4 == "events") { stamp = epoch($6); end = stamp }
            else if ($4 == "phasesdata") { stamp = epoch($6); end = stamp + $8 + $9 }
            else { stamp = epoch($7); end = stamp + ($4 == "dt15" ? 900 : 60) }
            if (end > sent) early++
            if ($3 == "late") {
                late[$1] = 1
                if (end < sent - 901) tooLate++
                if ($4 == "events" && stamp < newest) behind++
            }
            if ($4 == "events") {
                if (($6 in batchOf) && batchOf[$6] != $1) shared++
                batchOf[$6] = $1
                if ($1 != batch) { newest = seen; batch = $1 }
                if (stamp > seen) seen = stamp
            }
            if ($3 == "catch-up") catchup++
        }
        END { n = 0; for (b in late) n++; printf "%d %d %d %d %d %d\n", n, early, tooLate, behind, shared, catchup }
    ' "$record")
    read -r lates early toolate behind shared catchup <<<"$summary"
    ((early == 0)) || fail "$s: $early rows sent before what they report was over"
    ((catchup > 0)) || fail "$s: nothing caught up from $T"
    ((lates > 0)) || fail "$s: no late batch"
    ((toolate == 0)) || fail "$s: $toolate late rows more than 15 minutes late"
    ((behind > 0)) || fail "$s: no late event behind the newest sent before it"
    ((shared > 0)) || fail "$s: no time stamp shared by events of two batches"
    ok "$s: $lates late batches, $behind late events behind the newest, $shared stamps across batches"

    # record numbers in time order, going on from the load's
    first=$(cat "$work/$s.first")
    back=$(q "$s" "select count(*) from (select ${END[$s.events]} as t, lag(${END[$s.events]}) over (order by $idx) as p
                   from events where objectid = 1 and ${END[$s.events]} > '$T') x where t < p")
    [[ $back == 0 ]] || fail "$s: $back events numbered before an earlier one"
    low=$(q "$s" "select min($idx) from events where objectid = 1 and ${END[$s.events]} > '$T'")
    [[ $low == "$first" ]] || fail "$s: the live events begin at number $low, not $first"
    ok "$s: record numbers follow the time, from $first on"
done
