#!/usr/bin/env bash
# Checks the loaded test databases. Run it under scripts/dbserver:
#   scripts/dbserver run [--size small|big] -- db/check-databases.sh
# Exits non-zero on the first failed expectation; prints what it checked.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }
ok() { echo "ok: $*"; }
port_of() { local p=${1#*127.0.0.1:}; echo "${p%%/*}"; }

DAY=${LUMOVIEW_TEST_DAY:?run under scripts/dbserver}
NEXT=$(date -d "$DAY + 1 day" +%F)
# Under scripts/dbserver --tls the clients verify the servers.
mytls=
if [[ -n ${LUMOVIEW_TEST_TLS_CA:-} ]]; then
    export PGSSLMODE=verify-full PGSSLROOTCERT=$LUMOVIEW_TEST_TLS_CA
    mytls="--ssl --ssl-ca=$LUMOVIEW_TEST_TLS_CA --ssl-verify-server-cert"
fi
# The owner's clients (Q) and the read-only operator's (OP).
declare -A Q OP
operator=${LUMOVIEW_TEST_OPERATOR:-lumo_operator:lumo_operator}
if [[ -n ${LUMOVIEW_TEST_PG_URL:-} ]]; then
    Q[pg]="psql -X -q -At -F| -h 127.0.0.1 -p $(port_of "$LUMOVIEW_TEST_PG_URL") -U lumo -d lumo -c"
    OP[pg]="psql -X -q -At -F| -h 127.0.0.1 -p $(port_of "$LUMOVIEW_TEST_PG_URL") -U ${operator%%:*} -d lumo -c"
fi
if [[ -n ${LUMOVIEW_TEST_MYSQL_URL:-} ]]; then
    my="mariadb --no-defaults --default-character-set=utf8mb4 $mytls -N -B -h 127.0.0.1 -P $(port_of "$LUMOVIEW_TEST_MYSQL_URL")"
    Q[mysql]="$my -u lumo -plumo lumo -e"
    OP[mysql]="$my -u ${operator%%:*} -p${operator#*:} lumo -e"
fi
((${#Q[@]})) || fail "no server URL in the environment"

q() { local d=$1; shift; ${Q[$d]} "$*"; }
op() { local d=$1; shift; ${OP[$d]} "$*" 2>&1 || true; }

declare -A counts
for d in "${!Q[@]}"; do
    # ShowLog1: seven columns, the rows of [DAY, DAY+1) of object 1, in order
    if [[ $d == pg ]]; then
        log=$(q pg "select * from \"ShowLog1\"(1,'$DAY','$NEXT',393215)")
        small=$(q pg "select count(*) from \"ShowLog1\"(1,'$DAY','$NEXT',5::smallint)")
        big=$(q pg "select count(*) from \"ShowLog1\"(1,'$DAY','$NEXT',4294967295::bigint)")
        [[ $big == "$small" ]] || fail "pg: ShowLog1 bigint overload gives $big rows, smallint $small"
        cols=$(head -n 1 <<<"$log" | awk -F'|' '{print NF}')
    else
        log=$(q mysql "call ShowLog1(1,'$DAY','$NEXT',393215)")
        small=$(q mysql "call ShowLog1(1,'$DAY','$NEXT',4294967295)" | wc -l)
        cols=$(head -n 1 <<<"$log" | awk -F'\t' '{print NF}')
    fi
    rows=$(wc -l <<<"$log")
    [[ $cols == 7 ]] || fail "$d: ShowLog1 returns $cols columns"
    [[ $rows == "$small" ]] || fail "$d: ShowLog1 overloads disagree ($rows vs $small)"
    direct=$(q "$d" "select count(*) from events where objectid = 1 and time >= '$DAY' and time < '$NEXT'")
    [[ $rows == "$direct" ]] || fail "$d: ShowLog1 gives $rows rows, events has $direct"
    sorted=$(cut -c1-19 <<<"$log" | sort -c 2>&1 && echo sorted || echo unsorted)
    [[ $sorted == sorted ]] || fail "$d: ShowLog1 not ordered by time"
    ok "$d: ShowLog1 7 columns, $rows rows, ordered"

    # the operator reads and runs ShowLog1 and changes nothing
    if [[ $d == pg ]]; then
        oplog=$(op pg "select * from \"ShowLog1\"(1,'$DAY','$NEXT',393215)")
    else
        oplog=$(op mysql "call ShowLog1(1,'$DAY','$NEXT',393215)")
    fi
    [[ $oplog == "$log" ]] || fail "$d: ShowLog1 as the operator: ${oplog:0:200}"
    for statement in "insert into globdt (alpha) values (1)" "delete from events" "create table t (a int)"; do
        refused=$(op "$d" "$statement")
        [[ $refused == *denied* ]] || fail "$d: the operator may run $statement: $refused"
    done
    ok "$d: the operator reads ShowLog1's rows and may not write"

    # signal-group events: 12 bytes, group >= 1, state 0..2, third word 0
    bad=$(q "$d" "select count(*) from events where type = 7 and (length(data) <> 12 or value <> 5)")
    [[ $bad == 0 ]] || fail "$d: $bad signal-group events without 12 bytes / value 5"
    n7=$(q "$d" "select count(*) from events where type = 7")
    ((n7 > 0)) || fail "$d: no signal-group events"
    ok "$d: $n7 signal-group events, all 12 bytes"

    # older generations: description NULL, data texts; object 5 empty
    nulls=$(q "$d" "select count(*) from events where objectid in (2,3,4) and description is not null")
    [[ $nulls == 0 ]] || fail "$d: old-generation events with a description"
    empty=$(q "$d" "select (select count(*) from events where objectid = 5) + (select count(*) from detectors where objectid = 5)")
    [[ $empty == 0 ]] || fail "$d: object 5 is not empty"
    dup=$(q "$d" "select count(*) from analysisdaytypes where weekday = 3")
    [[ $dup == 2 ]] || fail "$d: weekday 3 should have two day types"
    gap=$(q "$d" "select count(*) from dt15 where objectid = 1 and detectorid = 2 and time >= '$DAY 10:00:00' and time <= '$DAY 10:45:00'")
    [[ $gap == 0 ]] || fail "$d: the dt15 gap on $DAY 10:00-10:45 is missing"
    if [[ $d == pg ]]; then lim='"limit"'; else lim='`limit`'; fi
    inv=$(q "$d" "select count(*) from uplimits u join downlimits w on w.objectid = u.objectid and w.detectorid = u.detectorid and w.daytype = u.daytype and w.time_offset = u.time_offset where w.$lim >= u.$lim")
    [[ $inv == 0 ]] || fail "$d: $inv limit points with down >= up"
    ok "$d: old generations, empty object 5, duplicate day type, dt15 gap, down < up"

    sig=""
    for t in eventtypes events phasesdata detectors globdt dt15 dt15p detectorsdata dthealth uplimits downlimits analysisdaytypes; do
        sig+="$t=$(q "$d" "select count(*) from $t") "
    done
    counts[$d]=$sig
    echo "$d: $sig"
done
if [[ -n ${counts[pg]:-} && -n ${counts[mysql]:-} ]]; then
    [[ ${counts[pg]} == "${counts[mysql]}" ]] || fail "row counts differ between the servers"
    ok "both servers hold the same row counts"
fi
