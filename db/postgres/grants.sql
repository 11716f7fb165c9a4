-- The centre's read-only operator: may read the module's tables and run
-- ShowLog1 in the database :dbname, nothing else (no writes, no temporary
-- tables, no other function of this schema). PostgreSQL functions run with
-- the caller's rights unless made SECURITY DEFINER: "ShowLog1" reads events
-- and eventtypes as the operator. Run as the owner after schema.sql and
-- showlog1.sql (psql -v dbname=lumo -f grants.sql); roles are the
-- server's, so the role is made once.
SELECT NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'lumo_operator') AS new_role \gset
\if :new_role
CREATE ROLE lumo_operator LOGIN PASSWORD 'lumo_operator';
\endif
REVOKE ALL ON DATABASE :"dbname" FROM PUBLIC;
GRANT CONNECT ON DATABASE :"dbname" TO lumo_operator;
GRANT USAGE ON SCHEMA public TO lumo_operator;
GRANT SELECT ON ALL TABLES IN SCHEMA public TO lumo_operator;
REVOKE EXECUTE ON ALL FUNCTIONS IN SCHEMA public FROM PUBLIC;
GRANT EXECUTE ON FUNCTION "ShowLog1"(integer, timestamp, timestamp, smallint),
    "ShowLog1"(integer, timestamp, timestamp, integer), "ShowLog1"(integer, timestamp, timestamp, bigint) TO lumo_operator;
