-- ShowLog1(object, start, end, generation): event log of one object.
-- PostgreSQL: a CALL cannot return a result set, so this is a set-returning
-- function; call it as
--   select * from "ShowLog1"(1, '2024-03-06', '2024-03-07', 393215::smallint)
-- Rows from start up to, not including, end (time >= start and time < end:
-- the end date's midnight records belong to that day), ordered by time,
-- index. Start and end are date-times: a load asks for days, a view that
-- follows today for the rows from a time on. The generation argument is accepted and ignored.
-- Overloads for smallint, integer and bigint generations return the same
-- rows. Generation codes such as 393215 (0x5FFFF) do not fit smallint
-- (393215::smallint raises "smallint out of range"); the module passes
-- %4::bigint, a plain literal picks the integer overload.
CREATE OR REPLACE FUNCTION "ShowLog1"(p_object integer, p_start timestamp, p_end timestamp, p_generation smallint)
RETURNS TABLE (
    "time"      timestamp without time zone,
    "devicetime" time,
    "type"      integer,
    "description" text,
    "descr"     text,
    "value"     integer,
    "data"      bytea
)
LANGUAGE sql STABLE
AS $fn$
    SELECT e.time, e.devicetime, e.type, t.description,
           coalesce(e.description, t.description) AS descr,
           e.value, e.data
      FROM events e
      LEFT JOIN eventtypes t ON t.id = e.type
     WHERE e.objectid = p_object
       AND e.time >= p_start AND e.time < p_end
     ORDER BY e.time, e."index"
$fn$;

CREATE OR REPLACE FUNCTION "ShowLog1"(p_object integer, p_start timestamp, p_end timestamp, p_generation integer)
RETURNS TABLE (
    "time"      timestamp without time zone,
    "devicetime" time,
    "type"      integer,
    "description" text,
    "descr"     text,
    "value"     integer,
    "data"      bytea
)
LANGUAGE sql STABLE
AS $fn$
    SELECT e.time, e.devicetime, e.type, t.description,
           coalesce(e.description, t.description) AS descr,
           e.value, e.data
      FROM events e
      LEFT JOIN eventtypes t ON t.id = e.type
     WHERE e.objectid = p_object
       AND e.time >= p_start AND e.time < p_end
     ORDER BY e.time, e."index"
$fn$;

CREATE OR REPLACE FUNCTION "ShowLog1"(p_object integer, p_start timestamp, p_end timestamp, p_generation bigint)
RETURNS TABLE (
    "time"      timestamp without time zone,
    "devicetime" time,
    "type"      integer,
    "description" text,
    "descr"     text,
    "value"     integer,
    "data"      bytea
)
LANGUAGE sql STABLE
AS $fn$
    SELECT e.time, e.devicetime, e.type, t.description,
           coalesce(e.description, t.description) AS descr,
           e.value, e.data
      FROM events e
      LEFT JOIN eventtypes t ON t.id = e.type
     WHERE e.objectid = p_object
       AND e.time >= p_start AND e.time < p_end
     ORDER BY e.time, e."index"
$fn$;
