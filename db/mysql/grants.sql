-- The centre's read-only operator: may read the tables of lumo and run
-- ShowLog1, nothing else: no PROCESS, SUPER or CONNECTION ADMIN. KILL QUERY
-- of its own statement needs none of them, as long as the statement runs
-- with its rights: ShowLog1 is SQL SECURITY INVOKER (showlog1.sql). Run as
-- root after schema.sql and showlog1.sql.
CREATE USER IF NOT EXISTS 'lumo_operator'@'%' IDENTIFIED BY 'lumo_operator';
GRANT SELECT ON lumo.* TO 'lumo_operator'@'%';
GRANT EXECUTE ON PROCEDURE lumo.ShowLog1 TO 'lumo_operator'@'%';
