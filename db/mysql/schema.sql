-- LumoView test/demo database schema, MySQL/MariaDB dialect.
-- All identifiers are lower case (matches the PostgreSQL schema).
CREATE TABLE eventtypes (
    id          integer PRIMARY KEY,
    description text
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE events (
    objectid    integer NOT NULL,
    `time`      datetime NOT NULL,
    devicetime  time,
    `type`      integer,
    value       integer,
    `data`      blob,
    `index`     integer,
    description text NULL
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
CREATE INDEX events_object_time ON events (objectid, `time`);

CREATE TABLE phasesdata (
    objectid    integer NOT NULL,
    `time`      datetime NOT NULL,
    phaseid     integer,
    length      integer,
    promtact    integer
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
CREATE INDEX phasesdata_object_time ON phasesdata (objectid, `time`);

CREATE TABLE detectors (
    objectid        integer NOT NULL,
    id              integer NOT NULL,
    collect         tinyint(1),
    useglobalparam  integer,
    alpha           double,
    beta            double,
    tp              double,
    kc              double,
    PRIMARY KEY (objectid, id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE globdt (
    alpha double,
    beta  double,
    tp    double,
    kc    double
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE dt15 (
    objectid    integer NOT NULL,
    detectorid  integer NOT NULL,
    `time`      datetime NOT NULL,
    intensity   double,
    occupancy   double,
    speed       double,
    state       integer
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
CREATE INDEX dt15_object_detector_time ON dt15 (objectid, detectorid, `time`);

CREATE TABLE dt15p (
    objectid    integer NOT NULL,
    detectorid  integer NOT NULL,
    daytype     integer NOT NULL,
    `time`      time NOT NULL,
    intensity   double,
    occupancy   double,
    speed       double
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
CREATE INDEX dt15p_object_detector_daytype ON dt15p (objectid, detectorid, daytype);

CREATE TABLE detectorsdata (
    objectid    integer NOT NULL,
    detectorid  integer NOT NULL,
    `time`      datetime NOT NULL,
    cars        integer,
    `interval`  integer,
    occupancy   double,
    speed       double,
    state       integer
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
CREATE INDEX detectorsdata_object_detector_time ON detectorsdata (objectid, detectorid, `time`);

CREATE TABLE dthealth (
    objectid    integer NOT NULL,
    detectorid  integer NOT NULL,
    `date`      date NOT NULL,
    health      integer
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
CREATE INDEX dthealth_object_detector_date ON dthealth (objectid, detectorid, `date`);

CREATE TABLE uplimits (
    objectid    integer NOT NULL,
    detectorid  integer NOT NULL,
    daytype     integer NOT NULL,
    time_offset integer NOT NULL,
    `limit`     double
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
CREATE INDEX uplimits_object_detector ON uplimits (objectid, detectorid, daytype);

CREATE TABLE downlimits (
    objectid    integer NOT NULL,
    detectorid  integer NOT NULL,
    daytype     integer NOT NULL,
    time_offset integer NOT NULL,
    `limit`     double
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
CREATE INDEX downlimits_object_detector ON downlimits (objectid, detectorid, daytype);

CREATE TABLE analysisdaytypes (
    weekday integer NOT NULL,
    daytype integer NOT NULL
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
