-- LumoView test/demo database schema, PostgreSQL dialect.
-- All identifiers are lower case (unquoted names fold to lower case).
CREATE TABLE eventtypes (
    id          integer PRIMARY KEY,
    description text
);

CREATE TABLE events (
    objectid    integer NOT NULL,
    time        timestamp without time zone NOT NULL,
    devicetime  time,
    type        integer,
    value       integer,
    data        bytea,
    "index"     integer,
    description text NULL
);
CREATE INDEX events_object_time ON events (objectid, time);

CREATE TABLE phasesdata (
    objectid    integer NOT NULL,
    time        timestamp without time zone NOT NULL,
    phaseid     integer,
    length      integer,
    promtact    integer
);
CREATE INDEX phasesdata_object_time ON phasesdata (objectid, time);

CREATE TABLE detectors (
    objectid        integer NOT NULL,
    id              integer NOT NULL,
    collect         boolean,
    useglobalparam  integer,
    alpha           double precision,
    beta            double precision,
    tp              double precision,
    kc              double precision,
    PRIMARY KEY (objectid, id)
);

CREATE TABLE globdt (
    alpha double precision,
    beta  double precision,
    tp    double precision,
    kc    double precision
);

CREATE TABLE dt15 (
    objectid    integer NOT NULL,
    detectorid  integer NOT NULL,
    time        timestamp without time zone NOT NULL,
    intensity   double precision,
    occupancy   double precision,
    speed       double precision,
    state       integer
);
CREATE INDEX dt15_object_detector_time ON dt15 (objectid, detectorid, time);

CREATE TABLE dt15p (
    objectid    integer NOT NULL,
    detectorid  integer NOT NULL,
    daytype     integer NOT NULL,
    time        time NOT NULL,
    intensity   double precision,
    occupancy   double precision,
    speed       double precision
);
CREATE INDEX dt15p_object_detector_daytype ON dt15p (objectid, detectorid, daytype);

CREATE TABLE detectorsdata (
    objectid    integer NOT NULL,
    detectorid  integer NOT NULL,
    time        timestamp without time zone NOT NULL,
    cars        integer,
    "interval"  integer,
    occupancy   double precision,
    speed       double precision,
    state       integer
);
CREATE INDEX detectorsdata_object_detector_time ON detectorsdata (objectid, detectorid, time);

CREATE TABLE dthealth (
    objectid    integer NOT NULL,
    detectorid  integer NOT NULL,
    date        date NOT NULL,
    health      integer
);
CREATE INDEX dthealth_object_detector_date ON dthealth (objectid, detectorid, date);

CREATE TABLE uplimits (
    objectid    integer NOT NULL,
    detectorid  integer NOT NULL,
    daytype     integer NOT NULL,
    time_offset integer NOT NULL,
    "limit"     double precision
);
CREATE INDEX uplimits_object_detector ON uplimits (objectid, detectorid, daytype);

CREATE TABLE downlimits (
    objectid    integer NOT NULL,
    detectorid  integer NOT NULL,
    daytype     integer NOT NULL,
    time_offset integer NOT NULL,
    "limit"     double precision
);
CREATE INDEX downlimits_object_detector ON downlimits (objectid, detectorid, daytype);

CREATE TABLE analysisdaytypes (
    weekday integer NOT NULL,
    daytype integer NOT NULL
);
