-- LumoView test/demo database, PostgreSQL with the big tables partitioned by
-- month, as centres that keep years of history lay them out. Load it after
-- schema.sql, which it changes in place:
--   psql -v first=2024-01-01 -v last=2024-04-01 -f partitioned.sql
-- events, phasesdata, dt15 and detectorsdata become PARTITION BY RANGE
-- ("time"), dthealth PARTITION BY RANGE (date), each with one partition per
-- month from the month of :first to the month of :last, both included,
-- named <table>_pYYYY_MM. The tables keep their columns and their indexes,
-- created again by their own definitions: each becomes a partitioned index,
-- present on every partition. Rows outside the months go to a default
-- partition, <table>_default.

CREATE FUNCTION lumo_partition_by_month(tbl text, col text, first date, last date)
RETURNS void LANGUAGE plpgsql AS $fn$
DECLARE
    month date := date_trunc('month', first);
    indexes text[];
    definition text;
BEGIN
    SELECT array_agg(pg_get_indexdef(indexrelid)) INTO indexes
      FROM pg_index WHERE indrelid = tbl::regclass;
    EXECUTE format('ALTER TABLE %I RENAME TO %I', tbl, tbl || '_plain');
    EXECUTE format('CREATE TABLE %I (LIKE %I INCLUDING ALL EXCLUDING INDEXES) PARTITION BY RANGE (%I)',
                   tbl, tbl || '_plain', col);
    EXECUTE format('DROP TABLE %I', tbl || '_plain');
    FOREACH definition IN ARRAY coalesce(indexes, '{}') LOOP
        EXECUTE definition;
    END LOOP;
    WHILE month <= last LOOP
        EXECUTE format('CREATE TABLE %I PARTITION OF %I FOR VALUES FROM (%L) TO (%L)',
                       tbl || to_char(month, '"_p"YYYY_MM'), tbl, month, month + interval '1 month');
        month := month + interval '1 month';
    END LOOP;
    -- Rows of other months (a test's own rows of today, say) still have a
    -- place; a statement within the months above never reads it.
    EXECUTE format('CREATE TABLE %I PARTITION OF %I DEFAULT', tbl || '_default', tbl);
END
$fn$;

SELECT lumo_partition_by_month(t, c, :'first', :'last')
  FROM (VALUES ('events', 'time'), ('phasesdata', 'time'), ('dt15', 'time'),
               ('detectorsdata', 'time'), ('dthealth', 'date')) AS big(t, c);

DROP FUNCTION lumo_partition_by_month(text, text, date, date);
